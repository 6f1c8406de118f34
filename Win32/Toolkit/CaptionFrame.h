#pragma once
// The skinned caption bar and frame of a dialog, with its caption boxes
// (box 0, the close box "X"; box 1, "?"), painted on the owner's window DC
// from the skin state's frame bitmaps: 545 around the window, 543 and 544
// for an active caption, 559 and 560 for an inactive one, 487 / 485 for a
// box up / pressed and 586 for a box of an inactive caption. The caption
// band is SM_CYCAPTION + SM_CYDLGFRAME high, from the window's top.
//
// Made by the skinned dialogs (KLDialog, the skinned property sheet and
// common dialogs) when they initialise and deleted when they are destroyed.
// Making one declares the owner's frame and caption its own to the window
// layer, so that under native windows the skin's caption shows instead of
// the window manager's. UI thread only.
//
// SkinnedFrameMessage is the non-client and caption-box handling every
// skinned dialog shares; without a caption frame (before OnInitDialog,
// after OnDestroy) it skips the skin.

#include "Platform/Mfc/Mfc.h"

class CSkinState;

class KLCaptionFrame : public CObject {
public:
    // Box flags: 2 shows the close box, 4 the "?" box.
    static constexpr int kCloseBox = 2;
    static constexpr int kHelpBox = 4;

    KLCaptionFrame(CWnd* owner, int boxFlags);

    void PaintFrame();
    // A null text paints the owner's window text.
    void PaintCaption(BOOL active, LPCSTR text);
    // The box (0 or 1) under a point in screen coordinates; -1 for none.
    int HitTest(POINT screen);
    // 0 normal, 1 pressed; repaints the box at once in the active look. An
    // index outside 0..1 is ignored by the setter and reads 0.
    void SetBoxState(int box, int state);
    int GetBoxState(int box);

    // Box 0 with the close box shown posts WM_CLOSE to the owner.
    virtual void OnBoxClicked(int box);

private:
    CRect BoxRect(int box) const;
    void PaintBox(CDC& dc, int box, BOOL active);

    CWnd* m_pOwner;
    CSkinState* m_pApp;
    int m_nBoxFlags;
    int m_nBoxState[2] = {0, 0};
    int m_nCaptionHeight;
};

// The non-client and caption-box messages of a skinned dialog, handled as
// the one being handled now (WM_NCPAINT, WM_NCACTIVATE, WM_NCLBUTTONDOWN,
// WM_MOUSEMOVE, WM_LBUTTONUP): WM_NCPAINT paints the frame and, for a
// caption style, the caption (active while the window is enabled) in place
// of the default painting; WM_NCACTIVATE runs the default processing, then
// paints the skin in the new look; a press on a caption box captures the
// mouse and shows the box pressed, the pointer moving over and off it
// shows it pressed and normal, and a release over it clicks it; each then
// runs the default processing. Returns the message's answer.
LRESULT SkinnedFrameMessage(CWnd& owner, KLCaptionFrame* frame, int& pressedBox);
