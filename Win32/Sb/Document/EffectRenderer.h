#pragma once
// The renderers that draw a scene's effects onto frames. An effect makes its
// renderer when it is attached, for one target picture size and frame rate,
// owns it, hands it every frame of the effect's window and deletes it when
// the window has passed. The same renderers serve production and the
// preview.
//
// Also here: the two probes the renderers ask about the machine.

#include "Platform/Win/Base/WinTypes.h"

class CIplImage;
class CProfile;

class CEffectRenderer {
public:
    CEffectRenderer() = default;
    virtual ~CEffectRenderer() = default;
    CEffectRenderer(const CEffectRenderer&) = delete;
    CEffectRenderer& operator=(const CEffectRenderer&) = delete;

    // Draws onto `image` or replaces it and returns the image to go on
    // with. `position` is a frame index for the text renderer and
    // milliseconds for the others. The base draws nothing and returns null.
    virtual CIplImage* Render(CIplImage* image, LONG position);
};

// A renderer that filters whole frames in place; the base filters nothing.
class CFilterRenderer : public CEffectRenderer {
public:
    // ApplyTo, then the image itself.
    CIplImage* Render(CIplImage* image, LONG position) override;
    virtual void ApplyTo(CIplImage* image);
    virtual INT GetKind() const;
    // The kind under the untranslated name 1077, then SaveParams.
    virtual void Save(CProfile* profile, LPCSTR section);
    // A new renderer with the same settings, or null.
    virtual CFilterRenderer* Clone() const;
    virtual void SaveParams(CProfile* profile, LPCSTR section);
    virtual void LoadParams(CProfile* profile, LPCSTR section);
};

// True: the wide-character font and text calls are always there.
bool IsWindowsNT();
// Whether the processor runs four-pixels-at-a-time blending (its feature
// bits hold 0x800000, MMX, or 0x2000000, SSE).
bool HasMmx();
