#pragma once
// CProductionDisplay: what a production shows while it runs: the preview
// area's picture and progress line, and its transport panel's slider and
// label. The preview area implements it; until it does the producer runs
// without one (nothing is shown), and tests record the calls.

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/GfxTypes.h"

class CIplImage;

class CProductionDisplay {
public:
    virtual ~CProductionDisplay() = default;

    // The window the producer's notify window is made a child of; null
    // makes it a hidden top-level window.
    virtual HWND GetWindow() { return nullptr; }
    // Where the picture is shown, for the size of the smart-copy picture.
    virtual CGfxRect GetVideoRect() { return CGfxRect(0, 0, 320, 240); }
    // The image stays the caller's.
    virtual void ShowImage(CIplImage*) {}

    virtual void SetProgressText(LPCSTR) {}
    virtual void BeginProgress() {}
    virtual void SetProductionFile(LPCSTR) {}
    // Hundredths of a percent.
    virtual void SetProgress(int) {}
    virtual void EndProgress() {}
    virtual void ResetProgress() {}

    virtual void SetSliderRange(double, double) {}
    virtual void SetSliderPosition(double) {}
    virtual void EnableSlider(int) {}
    virtual void SetLabel(LPCSTR, int) {}
};
