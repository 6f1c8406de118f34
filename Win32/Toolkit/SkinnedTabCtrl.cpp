#include "Win32/Toolkit/SkinnedTabCtrl.h"

#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Toolkit/SkinState.h"

namespace {

// The body frame starts under the tab row; each tab's skin and text are
// laid out in a row this high.
constexpr int kBodyTop = 23;
constexpr int kTabHeight = 22;
constexpr COLORREF kSelectedText = 0xFFFFFF;
constexpr int kTextLimit = 256;

} // namespace

BEGIN_MESSAGE_MAP(KLTabCtrl, CTabCtrl)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

KLTabCtrl::KLTabCtrl(HWND hWnd) { m_bSubclassed = !CWnd::FromHandlePermanent(hWnd) && SubclassWindow(hWnd); }

// The tab window is the sheet's: the object only gives its procedure back.
KLTabCtrl::~KLTabCtrl()
{
    if (m_hWnd && CWnd::FromHandlePermanent(m_hWnd) == this)
        UnsubclassWindow();
}

BOOL KLTabCtrl::OnEraseBkgnd(CDC* pDC)
{
    CRect client;
    GetClientRect(&client);
    if (m_pBackgroundSkin && pDC)
        m_pBackgroundSkin->DrawFill(pDC, &client);
    return TRUE;
}

void KLTabCtrl::OnPaint()
{
    CPaintDC dc(this);
    CFont* font = GetSkinState().GetUIFont();
    HGDIOBJ previousFont = font && font->m_hObject ? dc.SelectObject(font->m_hObject) : nullptr;
    TEXTMETRICA metrics{};
    dc.GetTextMetrics(&metrics);
    const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    const int previousMode = dc.SetBkMode(TRANSPARENT);
    const COLORREF previousColor = dc.GetTextColor();

    CRect client;
    GetClientRect(&client);
    if (m_pBackgroundSkin)
        m_pBackgroundSkin->DrawFill(&dc, &client);
    if (m_pFrameSkin) {
        CRect body(0, kBodyTop, client.right, client.bottom);
        m_pFrameSkin->DrawFrame(&dc, &body);
    }
    const int selected = GetCurSel();
    for (int i = 0; i < GetItemCount(); ++i)
        PaintTab(dc, i, i == selected, lineHeight);

    dc.SetTextColor(previousColor);
    dc.SetBkMode(previousMode);
    if (previousFont)
        dc.SelectObject(previousFont);
}

void KLTabCtrl::PaintTab(CDC& dc, int index, BOOL selected, int lineHeight)
{
    char text[kTextLimit] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = kTextLimit;
    if (!GetItem(index, &item))
        return;
    CRect r;
    GetItemRect(index, &r);
    r.bottom = r.top + kTabHeight;
    if (m_pTabSkin) {
        CRect tab = r;
        tab.top -= selected ? 3 : 1;
        if (selected)
            tab.bottom += 2;
        if (index == 0)
            tab.left -= 2;
        m_pTabSkin->DrawFrame(&dc, &tab);
    }
    CRect label = r;
    label.OffsetRect(-2, (kTabHeight - lineHeight) / 2 - (selected ? 1 : 0));
    dc.SetTextColor(selected ? kSelectedText : GetSkinState().m_crDialogText);
    dc.DrawText(text, -1, &label, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_NOCLIP | DT_NOPREFIX);
}
