#pragma once
// KLButtonStrip: a 3 x 3 grid of two-state picture buttons placed over a
// placeholder control of a dialog, of which exactly one is selected (after
// Create, every SetMode and every click). The checked button shows the
// picture of the strip's mode: in mode 3 each button the picture of its
// own place in the grid, in mode 0 the opposite place's, in any other mode
// the centre mark. Every click tells the dialog with 0x40A (wParam the
// mode, lParam the selected index 0 to 8), also a click on the button
// already selected. UI thread only.

#include "Win32/Toolkit/ContainerElement.h"

class TransparentButtonElement;

class KLButtonStrip : public ContainerElement {
public:
    static constexpr UINT kSelectionMessage = WM_USER + 10;
    static constexpr UINT kFirstButtonId = 100;
    static constexpr int kButtonCount = 9;
    static constexpr int kCentre = 4;

    KLButtonStrip() = default;
    ~KLButtonStrip() override;

    // Over the dialog's control `controlId`, which must exist.
    bool CreateOnDialogItem(int controlId, CWnd* dialog);
    // In the dialog's client rectangle (left, top) to (right, bottom),
    // exclusive; false when the strip's window or buttons cannot be made.
    bool Create(int left, int top, int right, int bottom, CWnd* dialog);
    // Stores the mode, gives every button its picture and selects
    // `selection`; a selection outside 0 to 8 keeps the current one.
    void SetMode(int mode, int selection);
    int GetSelection() const { return m_nSelection; }
    int GetMode() const { return m_nMode; }

    bool OnCommand(UINT id, UINT code, void* extra) override;
    bool CreateWindow() override;

    // The picture the button at grid place `index` shows in `mode`.
    static UINT PictureFor(int mode, int index);
    TransparentButtonElement* ButtonAt(int index);

private:
    void Select(int index);

    CWnd* m_pOwner = nullptr;
    int m_nMode = 0;
    int m_nSelection = kCentre;
};
