#include "Win32/Toolkit/CaptionFrame.h"

#include "Platform/Win/User/Extensions.h"

#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Toolkit/SkinState.h"

namespace {

constexpr int kBoxWidth = 25;
constexpr int kBoxPitch = 27;
constexpr int kBoxRightMargin = 5;
constexpr int kBoxVerticalMargin = 2;
constexpr const char* kBoxLabels[2] = {"X", "?"};
constexpr int kBoxFlagBits[2] = {KLCaptionFrame::kCloseBox, KLCaptionFrame::kHelpBox};

// Tells the window layer that the owner draws its frame and caption itself,
// so that under native windows it is shown without the window manager's
// decoration and keeps the non-client layout of its style. This is the one
// place that makes the call.
void DeclareOwnFrame(HWND owner)
{
    win::user::SetOwnFrame(owner, true);
}

bool IsCaptionStyle(const CWnd& window) { return (window.GetStyle() & WS_CAPTION) != 0; }

void DrawFrameOf(int bitmapId, CDC& dc, const CRect& rect)
{
    if (CFrameBitmap* skin = GetSkinFrameBitmap(bitmapId))
        skin->DrawFrame(&dc, &rect);
}

void DrawFillOf(int bitmapId, CDC& dc, const CRect& rect)
{
    if (CFrameBitmap* skin = GetSkinFrameBitmap(bitmapId))
        skin->DrawFill(&dc, &rect);
}

} // namespace

KLCaptionFrame::KLCaptionFrame(CWnd* owner, int boxFlags)
    : m_pOwner(owner), m_pApp(&GetSkinState()), m_nBoxFlags(boxFlags),
      m_nCaptionHeight(::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYDLGFRAME))
{
    if (m_pOwner && m_pOwner->m_hWnd)
        DeclareOwnFrame(m_pOwner->m_hWnd);
}

void KLCaptionFrame::PaintFrame()
{
    CWindowDC dc(m_pOwner);
    CRect window;
    m_pOwner->GetWindowRect(&window);
    CRect client;
    m_pOwner->GetClientRect(&client);
    m_pOwner->ClientToScreen(&client);
    client.OffsetRect(-window.left, -window.top);
    dc.ExcludeClipRect(&client);
    CRect frame(0, 0, window.Width(), window.Height());
    frame.top += m_nCaptionHeight;
    // Under a caption the frame starts one frame width higher: its top
    // corners then lie under the caption, which is painted after it, and
    // the sides run on from the caption's corners without a step.
    if (IsCaptionStyle(*m_pOwner))
        if (CFrameBitmap* skin = GetSkinFrameBitmap(545)) {
            CRect widths(0, 0, 0, 0);
            skin->InflateByFrame(&widths);
            frame.top += widths.top;
        }
    DrawFrameOf(545, dc, frame);
}

void KLCaptionFrame::PaintCaption(BOOL active, LPCSTR text)
{
    CString title;
    if (text)
        title = text;
    else
        m_pOwner->GetWindowText(title);
    CWindowDC dc(m_pOwner);
    CRect window;
    m_pOwner->GetWindowRect(&window);
    const CRect caption(0, 0, window.Width(), m_nCaptionHeight);
    CRect inner = caption;
    inner.DeflateRect(2, 6);
    CFont* previous = dc.SelectObject(&m_pApp->m_fontUI);
    dc.SetTextColor(active ? 0xFFFFFF : 0xCFCFCF);
    DrawFillOf(active ? 543 : 559, dc, inner);
    DrawFrameOf(active ? 544 : 560, dc, caption);
    dc.SetBkMode(TRANSPARENT);
    TEXTMETRICA metrics{};
    dc.GetTextMetrics(&metrics);
    CRect textRect = caption;
    textRect.left += 2 * metrics.tmAveCharWidth;
    dc.DrawText(title, &textRect, DT_VCENTER | DT_SINGLELINE);
    for (int box = 0; box < 2; ++box)
        if (m_nBoxFlags & kBoxFlagBits[box])
            PaintBox(dc, box, active);
    dc.SelectObject(previous);
}

CRect KLCaptionFrame::BoxRect(int box) const
{
    CRect window;
    m_pOwner->GetWindowRect(&window);
    const int right = window.Width() - kBoxPitch * box - kBoxRightMargin;
    return CRect(right - kBoxWidth, kBoxVerticalMargin, right, m_nCaptionHeight - kBoxVerticalMargin);
}

void KLCaptionFrame::PaintBox(CDC& dc, int box, BOOL active)
{
    if (box < 0 || box > 1)
        return;
    const bool pressed = m_nBoxState[box] == 1;
    const CRect rect = BoxRect(box);
    int skin = 586;
    COLORREF shade = m_pApp->m_crFrameShade[0];
    COLORREF textColor = 0x808080;
    if (active) {
        skin = pressed ? 485 : 487;
        shade = m_pApp->m_crFrameShade[pressed ? 1 : 0];
        textColor = pressed ? 0x000000 : 0xFFFFFF;
    }
    dc.FillSolidRect(&rect, shade);
    DrawFrameOf(skin, dc, rect);
    CFont* previous = dc.SelectObject(&m_pApp->m_fontUI);
    CRect label = rect;
    if (pressed)
        label.OffsetRect(1, 1);
    dc.SetTextColor(textColor);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(kBoxLabels[box], -1, &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    dc.SelectObject(previous);
}

int KLCaptionFrame::HitTest(POINT screen)
{
    CPoint point = screen;
    m_pOwner->ScreenToClient(&point);
    point.y += m_nCaptionHeight;
    for (int box = 0; box < 2; ++box)
        if ((m_nBoxFlags & kBoxFlagBits[box]) && BoxRect(box).PtInRect(point))
            return box;
    return -1;
}

void KLCaptionFrame::SetBoxState(int box, int state)
{
    if (box < 0 || box > 1)
        return;
    m_nBoxState[box] = state;
    CWindowDC dc(m_pOwner);
    PaintBox(dc, box, TRUE);
}

int KLCaptionFrame::GetBoxState(int box) { return box < 0 || box > 1 ? 0 : m_nBoxState[box]; }

void KLCaptionFrame::OnBoxClicked(int box)
{
    if (box == 0 && (m_nBoxFlags & kCloseBox))
        m_pOwner->PostMessage(WM_CLOSE);
}

namespace {

// WM_NCPAINT: the frame, then (for a caption style) the caption, active
// while the window is enabled; false without a caption frame.
bool PaintSkinnedNonClient(CWnd& owner, KLCaptionFrame* frame)
{
    if (!frame)
        return false;
    frame->PaintFrame();
    if (IsCaptionStyle(owner))
        frame->PaintCaption(owner.IsWindowEnabled(), nullptr);
    return true;
}

// After the default WM_NCACTIVATE: the skin painted again in the new look.
void RepaintSkinnedNonClient(CWnd& owner, KLCaptionFrame* frame, BOOL active)
{
    if (!frame)
        return;
    // The default processing may have drawn the layer's own frame; the
    // skin's goes back over it.
    frame->PaintFrame();
    if (IsCaptionStyle(owner))
        frame->PaintCaption(active, nullptr);
}

// A press on a box captures the mouse and shows the box pressed.
void PressCaptionBox(CWnd& owner, KLCaptionFrame* frame, int& pressedBox, CPoint screen)
{
    if (!frame)
        return;
    const int box = frame->HitTest(screen);
    if (box < 0)
        return;
    owner.SetCapture();
    pressedBox = box;
    frame->SetBoxState(box, 1);
}

// While the owner holds the capture, the pressed box shows pressed while
// the pointer is over it.
void TrackCaptionBox(CWnd& owner, KLCaptionFrame* frame, int pressedBox, CPoint client)
{
    if (!frame || ::GetCapture() != owner.m_hWnd || pressedBox < 0)
        return;
    owner.ClientToScreen(&client);
    const bool over = frame->HitTest(client) == pressedBox;
    const int state = frame->GetBoxState(pressedBox);
    if (over && state == 0)
        frame->SetBoxState(pressedBox, 1);
    else if (!over && state == 1)
        frame->SetBoxState(pressedBox, 0);
}

// The capture ends; a release over the pressed box clicks it.
void ReleaseCaptionBox(CWnd& owner, KLCaptionFrame* frame, int& pressedBox, CPoint client)
{
    if (::GetCapture() != owner.m_hWnd)
        return;
    ::ReleaseCapture();
    if (!frame || pressedBox < 0)
        return;
    const int box = pressedBox;
    pressedBox = -1;
    frame->SetBoxState(box, 0);
    owner.ClientToScreen(&client);
    if (frame->HitTest(client) == box)
        frame->OnBoxClicked(box);
}

} // namespace

LRESULT SkinnedFrameMessage(CWnd& owner, KLCaptionFrame* frame, int& pressedBox)
{
    const MSG* msg = owner.GetCurrentMessage();
    const UINT message = msg->message;
    const WPARAM wParam = msg->wParam;
    const LPARAM lParam = msg->lParam;
    const CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (message) {
    case WM_NCPAINT:
        // The skin replaces the default painting.
        if (PaintSkinnedNonClient(owner, frame))
            return 0;
        break;
    case WM_NCACTIVATE: {
        const LRESULT result = owner.DefWindowProc(message, wParam, lParam);
        RepaintSkinnedNonClient(owner, frame, static_cast<BOOL>(wParam));
        return result;
    }
    case WM_NCLBUTTONDOWN:
        PressCaptionBox(owner, frame, pressedBox, point);
        break;
    case WM_MOUSEMOVE:
        TrackCaptionBox(owner, frame, pressedBox, point);
        break;
    case WM_LBUTTONUP:
        ReleaseCaptionBox(owner, frame, pressedBox, point);
        break;
    default:
        break;
    }
    return owner.DefWindowProc(message, wParam, lParam);
}
