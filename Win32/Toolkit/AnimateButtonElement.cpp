#include "Win32/Toolkit/AnimateButtonElement.h"

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/ResourceLoader.h"
#include "Win32/Toolkit/ButtonWindows.h"

namespace {

// After the last frame of a one-shot run the first frame stays this many
// ticks before the still image comes back.
constexpr INT kHoldTicks = 5;

} // namespace

AnimateButtonElement::AnimateButtonElement() = default;

AnimateButtonElement::~AnimateButtonElement()
{
    DisconnectWindow();
    m_pCurrent = nullptr;
    m_pActiveStrip = nullptr;
    m_pStrip.reset();
    m_nState = kIdle;
    m_nLoopMode = kLoopForever;
}

bool AnimateButtonElement::CreateWindow()
{
    auto* window = new AnimateButton;
    window->m_pElement = this;
    if (!CreateButtonWindow(window))
        return false;
    m_nState = m_nAutoStart ? kForward : kIdle;
    return true;
}

INT AnimateButtonElement::GetKind()
{
    return kAnimateButtonKind;
}

bool AnimateButtonElement::SetAnimation(UINT stillId, UINT stripId, INT rows, INT columns, const CColor* transparent,
                                        INT loopMode)
{
    CDrawContext* context = GetDrawContext();
    if (!context)
        return false;
    CResourceLoader loader;
    std::unique_ptr<CGdiBitmap> stripBitmap(loader.LoadBitmapById(stripId));
    std::unique_ptr<AnimationStrip> strip;
    std::unique_ptr<CGdiBitmap> still;
    if (stripBitmap) {
        stripBitmap->SetTransparentColor(transparent, nullptr);
        strip = std::make_unique<AnimationStrip>(context, *stripBitmap, rows, columns);
    }
    bool ok = strip && strip->GetFrameCount() > 0;
    if (ok && stillId) {
        still.reset(loader.LoadBitmapById(stillId));
        ok = still != nullptr;
        if (ok && transparent) {
            still->SetTransparentColor(transparent, nullptr);
            still->PrepareTransparency(context);
        }
    }
    if (!ok) {
        ReleaseDrawContext(context);
        return false;
    }
    m_pCurrent = nullptr;
    m_pActiveStrip = nullptr;
    m_pStrip = std::move(strip);
    if (still)
        m_pImage = std::move(still);
    m_pCurrent = m_pImage ? m_pImage.get() : m_pStrip->GetFrame(context, 0);
    ReleaseDrawContext(context);
    ShowImageInWindow(m_pCurrent);
    SizeToBackground();
    m_nLoopMode = loopMode;
    return true;
}

CGdiBitmap* AnimateButtonElement::Frame(INT index)
{
    AnimationStrip* strip = m_pActiveStrip ? m_pActiveStrip : m_pStrip.get();
    if (!strip)
        return nullptr;
    CDrawContext* context = GetDrawContext();
    CGdiBitmap* frame = strip->GetFrame(context, index);
    ReleaseDrawContext(context);
    return frame;
}

void AnimateButtonElement::StartTimerIfIdle()
{
    if (!IsTimerRunning())
        SetTimer(m_nTimerId, m_nTimerElapse, TRUE);
}

void AnimateButtonElement::Restart()
{
    if (m_nLoopMode == kLoopForever || m_nState != kForward) {
        m_nState = kForward;
        m_nFrameIndex = 0;
    }
}

void AnimateButtonElement::OnClicked()
{
    if (!m_pImage)
        return;
    StartTimerIfIdle();
    Restart();
}

void AnimateButtonElement::OnTrackStart(const CGfxPoint&, UINT)
{
    if (m_pImage) {
        if (CGdiBitmap* first = Frame(0))
            m_pCurrent = first;
        Redraw();
        return;
    }
    StartTimerIfIdle();
    Restart();
}

void AnimateButtonElement::OnTrackMove(const CGfxPoint&, UINT) {}

void AnimateButtonElement::OnTrackEnd(const CGfxPoint&, UINT)
{
    if (m_nLoopMode == kLoopForever) {
        m_nState = kForward;
        m_nFrameIndex = 0;
        return;
    }
    m_nState = kBackward;
    m_nFrameIndex = 0;
    if (m_pImage) {
        m_pCurrent = m_pImage.get();
        m_nState = kForward;
        Redraw();
    }
}

void AnimateButtonElement::DrawButton(CDrawContext* context, const CGfxRect& rect, UINT itemState)
{
    m_pActiveStrip = m_pImage ? m_pStrip.get() : nullptr;
    if (itemState & ODS_SELECTED) {
        m_nState = kForward;
        m_pActiveStrip = m_pStrip.get();
        if (IsTwoState())
            m_bChecked = !m_bChecked;
    } else if (itemState & ODS_FOCUS) {
        m_nState = kForward;
    }
    Paint(context, rect, CGfxPoint());
}

bool AnimateButtonElement::OnWindowTimer(UINT_PTR)
{
    if ((m_nState != kForward && m_nState != kBackward) || !m_pActiveStrip)
        return false;
    const INT count = m_pActiveStrip->GetFrameCount();
    if (CGdiBitmap* frame = Frame(m_nFrameIndex))
        m_pCurrent = frame;
    m_nFrameIndex += m_nState == kForward ? 1 : -1;
    ShowImageInWindow(m_pCurrent);
    if (m_nFrameIndex >= count && m_pImage) {
        if (m_nFrameIndex < count + kHoldTicks) {
            if (CGdiBitmap* first = Frame(0))
                m_pCurrent = first;
        } else {
            KillTimer();
            m_nFrameIndex = 0;
            m_nState = kFinished;
            m_pCurrent = m_pImage.get();
        }
    } else if (m_nFrameIndex < 0) {
        m_nFrameIndex = count - 1;
        if (m_nLoopMode != kLoopForever) {
            KillTimer();
            m_nState = kFinished;
        }
    }
    Redraw();
    return true;
}
