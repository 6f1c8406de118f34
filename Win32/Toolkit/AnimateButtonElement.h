#pragma once
// The animated button: a frame animation cut from a strip bitmap, played on
// the element's own timer (whose id and elapse its creator stores with
// SetTimer, start flag off; the button starts it itself). States: 0 running
// forward, 1 running backward, 2 idle, 4 finished. With a still image the
// animation runs once per click and comes back to the still image; without
// one it plays while the mouse is over the button. Window class
// "AnimateButton".

#include "Win32/Toolkit/AnimationStrip.h"
#include "Win32/Toolkit/ButtonElement.h"

class AnimateButtonElement : public ButtonElement {
public:
    static constexpr INT kForward = 0;
    static constexpr INT kBackward = 1;
    static constexpr INT kIdle = 2;
    static constexpr INT kFinished = 4;
    static constexpr INT kLoopForever = -1;

    AnimateButtonElement();
    ~AnimateButtonElement() override;

    bool CreateWindow() override;
    INT GetKind() override;
    void OnTrackStart(const CGfxPoint& point, UINT flags) override;
    void OnTrackMove(const CGfxPoint& point, UINT flags) override;
    void OnTrackEnd(const CGfxPoint& point, UINT flags) override;
    void DrawButton(CDrawContext* context, const CGfxRect& rect, UINT itemState) override;
    bool OnWindowTimer(UINT_PTR id) override;

    // Loads the strip (rows x columns frames) and, for a still id other
    // than 0, the still image, both with the transparent colour, from the
    // current resource module. False, with nothing changed, without a
    // drawing context or when either cannot be loaded or the strip has no
    // frames.
    bool SetAnimation(UINT stillId, UINT stripId, INT rows, INT columns, const CColor* transparent, INT loopMode);
    // The left button was released after a press in the window.
    void OnClicked();

    AnimationStrip* GetStrip() const { return m_pStrip.get(); }
    AnimationStrip* GetActiveStrip() const { return m_pActiveStrip; }
    INT GetFrameIndex() const { return m_nFrameIndex; }
    INT GetLoopMode() const { return m_nLoopMode; }
    INT GetState() const { return m_nState; }

private:
    void StartTimerIfIdle();
    // Back to the first frame, running forward, unless a one-shot run is
    // under way.
    void Restart();
    CGdiBitmap* Frame(INT index);

    std::unique_ptr<AnimationStrip> m_pStrip;
    AnimationStrip* m_pActiveStrip = nullptr;
    INT m_nFrameIndex = 0;
    INT m_nLoopMode = kLoopForever;
    INT m_nState = kIdle;
};
