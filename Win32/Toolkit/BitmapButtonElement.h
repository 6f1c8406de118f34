#pragma once
// The bitmap button of every control panel: four state images (up, down,
// focus, disabled) loaded by its window (an MFC CBitmapButton, run-time
// class "OwnerDrawBitmapButton") and wrapped, without taking ownership, in
// the element's bitmaps. The window deletes the bitmaps; the element its
// wrappers and their transparency masks.
//
// Image choice: a checked two-state button always shows down; otherwise
// the state the button reports (pressed, focused, disabled) picks its image
// when there is one, and up otherwise. The caption turns grey while the
// disabled image shows (unless it is also the down image).

#include "Win32/Toolkit/ButtonElement.h"

class BitmapButtonElement : public ButtonElement {
public:
    BitmapButtonElement();
    ~BitmapButtonElement() override;

    void Enable(bool enable) override;
    bool CreateWindow() override;
    void OnCreated() override;
    INT GetKind() override;
    bool RenderImageFiltered(INT state, const CGfxRect& target, const void* effect) override;
    void SelectImage(INT state) override;
    void OnTrackStart(const CGfxPoint& point, UINT flags) override;
    void OnTrackEnd(const CGfxPoint& point, UINT flags) override;
    void DrawButton(CDrawContext* context, const CGfxRect& rect, UINT itemState) override;
    void GetTextColour(CRGBColor& out) override;

    // The four bitmaps of the current resource module (0: not wanted; up is
    // required), each with its transparent colour (null: none) and, when it
    // has one, a prepared mask; the up image becomes current. False, with
    // no images, when the window cannot load them.
    bool LoadBitmaps(UINT up, UINT down, UINT focus, UINT disabled, const CColor* upColour,
                     const CColor* downColour, const CColor* focusColour, const CColor* disabledColour);

    CGdiBitmap* GetDownImage() const { return m_pDown.get(); }
    CGdiBitmap* GetFocusImage() const { return m_pFocus.get(); }
    CGdiBitmap* GetDisabledImage() const { return m_pDisabled.get(); }

private:
    CGdiBitmap* ImageOf(INT state) const;
    void DropImages();

    std::unique_ptr<CGdiBitmap> m_pDown;
    std::unique_ptr<CGdiBitmap> m_pFocus;
    std::unique_ptr<CGdiBitmap> m_pDisabled;
};
