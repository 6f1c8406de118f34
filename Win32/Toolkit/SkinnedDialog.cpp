#include "Win32/Toolkit/SkinnedDialog.h"

#include <type_traits>

#include "Win32/Toolkit/CaptionFrame.h"
#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/SkinnedControls.h"
#include "Win32/Toolkit/SplashPump.h"

IMPLEMENT_DYNAMIC(KLBaseDialog, CDialog)
IMPLEMENT_DYNAMIC(KLDialog, KLBaseDialog)

namespace {

constexpr DWORD kReadOnlyStyle = 0x800;
constexpr COLORREF kDisabledButtonText = 0x8C8C8C;
constexpr COLORREF kPressedButtonText = 0x000000;
constexpr COLORREF kButtonText = 0xE1E1E1;
constexpr int kLeftButtonTextIndent = 10;
constexpr int kButtonTextLimit = 64;

enum class SkinnedKind { RadioCheck, GroupBox, Static, Toolbar };

constexpr WORD TypeBit(int type) { return static_cast<WORD>(1U << type); }

// Which children become which skinned control: the window class, and for
// buttons and statics the types (style & 0xF) that qualify; 0 takes any.
struct SkinnedChildRule {
    const char* windowClass;
    WORD types;
    SkinnedKind kind;
};
constexpr SkinnedChildRule kSkinnedChildren[] = {
    {"Button", TypeBit(BS_CHECKBOX) | TypeBit(BS_AUTOCHECKBOX) | TypeBit(BS_RADIOBUTTON) | TypeBit(BS_AUTORADIOBUTTON),
     SkinnedKind::RadioCheck},
    {"Button", TypeBit(BS_GROUPBOX), SkinnedKind::GroupBox},
    {"Static", TypeBit(SS_LEFT) | TypeBit(SS_CENTER) | TypeBit(SS_RIGHT), SkinnedKind::Static},
    {"ToolbarWindow32", 0, SkinnedKind::Toolbar},
};

const SkinnedChildRule* RuleFor(HWND child)
{
    char windowClass[101] = {};
    ::GetClassNameA(child, windowClass, 100);
    const int type = ::GetWindowLongA(child, GWL_STYLE) & 0xF;
    for (const SkinnedChildRule& rule : kSkinnedChildren)
        if (lstrcmpiA(windowClass, rule.windowClass) == 0 && (rule.types == 0 || (rule.types & TypeBit(type))))
            return &rule;
    return nullptr;
}

// Makes the wrapper; it subclasses the child unless MFC maps it already.
template <class Control>
void Skin(HWND child, CFrameBitmap* background, CFrameBitmap* control)
{
    auto* wrapper = new Control(child);
    if (!wrapper->IsSubclassed()) {
        delete wrapper;
        return;
    }
    if constexpr (!std::is_same_v<Control, KLToolbar>) {
        wrapper->SetControlSkin(control);
        wrapper->SetBackgroundSkin(background);
    }
}

bool IsSkinnedWrapper(CWnd* object)
{
    return object && (object->IsKindOf(RUNTIME_CLASS(KLGroupBox)) || object->IsKindOf(RUNTIME_CLASS(KLRadioCheck)) ||
                      object->IsKindOf(RUNTIME_CLASS(KLStatic)) || object->IsKindOf(RUNTIME_CLASS(KLToolbar)));
}

} // namespace

void FillWindowWithSkin(HWND window, HDC dc, CFrameBitmap* skin)
{
    if (!skin || !dc)
        return;
    CRect client;
    ::GetClientRect(window, &client);
    CDC wrapped;
    wrapped.Attach(dc);
    skin->DrawFill(&wrapped, &client);
    wrapped.Detach();
}

void RepaintUnderSkinnedControl(HWND dialog, int nID, CFrameBitmap* background)
{
    HWND control = ::GetDlgItem(dialog, nID);
    if (!control)
        return;
    if (::IsWindowEnabled(control) && !(::GetWindowLongA(control, GWL_STYLE) & kReadOnlyStyle))
        return;
    HDC dc = ::GetDC(control);
    FillWindowWithSkin(control, dc, background ? background : GetSkinFrameBitmap(396));
    ::ReleaseDC(control, dc);
}

void EnableDialogItem(HWND dialog, int nID, BOOL bEnable)
{
    if (HWND control = ::GetDlgItem(dialog, nID))
        ::EnableWindow(control, bEnable);
}

BOOL ShowDialogItem(HWND dialog, int nID, int nCmdShow)
{
    HWND control = ::GetDlgItem(dialog, nID);
    return control ? ::ShowWindow(control, nCmdShow) : 0;
}

void SubclassSkinnedChildren(HWND parent, CFrameBitmap* background, CFrameBitmap* control)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const SkinnedChildRule* rule = RuleFor(child);
        if (!rule)
            continue;
        switch (rule->kind) {
        case SkinnedKind::RadioCheck:
            Skin<KLRadioCheck>(child, background, control);
            break;
        case SkinnedKind::GroupBox:
            Skin<KLGroupBox>(child, background, control);
            break;
        case SkinnedKind::Static:
            Skin<KLStatic>(child, background, control);
            break;
        case SkinnedKind::Toolbar:
            Skin<KLToolbar>(child, background, control);
            break;
        }
    }
}

void UnsubclassSkinnedChildren(HWND parent)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        CWnd* object = CWnd::FromHandlePermanent(child);
        if (!IsSkinnedWrapper(object))
            continue;
        object->UnsubclassWindow();
        delete object;
    }
}

void MakePushButtonsOwnerDraw(HWND parent)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char windowClass[101] = {};
        ::GetClassNameA(child, windowClass, 100);
        const LONG style = ::GetWindowLongA(child, GWL_STYLE);
        const LONG type = style & 0xF;
        if (lstrcmpiA(windowClass, "Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
            ::SetWindowLongA(child, GWL_STYLE, style | BS_OWNERDRAW);
    }
}

void DrawSkinnedButton(LPDRAWITEMSTRUCT lpDrawItemStruct, LPCSTR text, BOOL pressed)
{
    CSkinState& app = GetSkinState();
    CDC dc;
    dc.Attach(lpDrawItemStruct->hDC);
    const CRect item = lpDrawItemStruct->rcItem;
    dc.FillSolidRect(&item, app.m_crFrameShade[pressed ? 1 : 0]);
    if (CFrameBitmap* skin = GetSkinFrameBitmap(pressed ? 485 : 487))
        skin->DrawFrame(&dc, &item);
    CFont* font = app.GetUIFont();
    HGDIOBJ previousFont = font && font->m_hObject ? dc.SelectObject(font->m_hObject) : nullptr;
    CRect label = item;
    if (pressed)
        label.OffsetRect(1, 1);
    const int previousMode = dc.SetBkMode(TRANSPARENT);
    const COLORREF color = (lpDrawItemStruct->itemState & ODS_DISABLED) ? kDisabledButtonText
                           : pressed                                    ? kPressedButtonText
                                                                        : kButtonText;
    const COLORREF previousColor = dc.SetTextColor(color);
    UINT format = DT_VCENTER | DT_SINGLELINE;
    if (::GetWindowLongA(lpDrawItemStruct->hwndItem, GWL_STYLE) & BS_LEFT)
        label.left += kLeftButtonTextIndent;
    else
        format |= DT_CENTER;
    dc.DrawText(text ? text : "", -1, &label, format);
    if (lpDrawItemStruct->itemAction & ODA_FOCUS) {
        CRect focus = item;
        focus.DeflateRect(3, 3);
        dc.DrawFocusRect(&focus);
    }
    if (previousFont)
        dc.SelectObject(previousFont);
    dc.SetTextColor(previousColor);
    dc.SetBkMode(previousMode);
    dc.Detach();
}

KLCaptionFrame* DressSkinnedDialog(CWnd& dialog, CFrameBitmap* background, CFrameBitmap* control)
{
    MakePushButtonsOwnerDraw(dialog.m_hWnd);
    SubclassSkinnedChildren(dialog.m_hWnd, background, control);
    dialog.ModifyStyle(WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0);
    return new KLCaptionFrame(&dialog, KLCaptionFrame::kCloseBox);
}

void UndressSkinnedDialog(CWnd& dialog, KLCaptionFrame*& frame)
{
    delete frame;
    frame = nullptr;
    UnsubclassSkinnedChildren(dialog.m_hWnd);
}

HBRUSH SkinnedCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    return GetSkinState().GetCtlColorBrush(pDC, pWnd, nCtlColor, FALSE);
}

BOOL DrawSkinnedItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (lpDrawItemStruct->CtlType != ODT_BUTTON)
        return FALSE;
    // The read stops at the buffer: a longer text shows its first 63.
    char text[kButtonTextLimit] = {};
    ::GetWindowTextA(lpDrawItemStruct->hwndItem, text, kButtonTextLimit);
    DrawSkinnedButton(lpDrawItemStruct, text, (lpDrawItemStruct->itemState & ODS_SELECTED) != 0);
    return TRUE;
}

// KLBaseDialog

BEGIN_MESSAGE_MAP(KLBaseDialog, CDialog)
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

KLBaseDialog::KLBaseDialog(UINT nIDTemplate, CWnd* pParentWnd) : CDialog(nIDTemplate, pParentWnd), m_pParent(pParentWnd)
{
}

KLBaseDialog::~KLBaseDialog() = default;

void KLBaseDialog::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (!DrawSkinnedItem(lpDrawItemStruct))
        CWnd::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

void KLBaseDialog::SetDlgItemTextSkinned(int nID, LPCSTR lpszString)
{
    RepaintUnderSkinnedControl(m_hWnd, nID, m_pBackgroundSkin);
    SetDlgItemText(nID, lpszString);
}

void KLBaseDialog::SetDlgItemIntSkinned(int nID, UINT nValue, BOOL bSigned)
{
    RepaintUnderSkinnedControl(m_hWnd, nID, m_pBackgroundSkin);
    SetDlgItemInt(nID, nValue, bSigned);
}

// KLDialog

BEGIN_MESSAGE_MAP(KLDialog, KLBaseDialog)
    ON_WM_CTLCOLOR()
    ON_WM_DESTROY()
    ON_WM_NCPAINT()
    ON_WM_NCACTIVATE()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

KLDialog::KLDialog(UINT nIDTemplate, CWnd* pParentWnd) : KLBaseDialog(nIDTemplate, pParentWnd)
{
    m_pBackgroundSkin = GetSkinFrameBitmap(473);
    m_pControlSkin = GetSkinFrameBitmap(517);
}

KLDialog::~KLDialog() { delete m_pCaptionFrame; }

void KLDialog::DoDataExchange(CDataExchange*) {}

BOOL KLDialog::OnInitDialog()
{
    PumpSplashUntilDone();
    CDialog::OnInitDialog();
    m_pCaptionFrame = DressSkinnedDialog(*this, m_pBackgroundSkin, m_pControlSkin);
    return TRUE;
}

LRESULT KLDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CWnd::DefWindowProc(message, wParam, lParam);
    if (message == WM_SETTEXT && m_pCaptionFrame)
        m_pCaptionFrame->PaintCaption(IsWindowEnabled(), nullptr);
    return result;
}

HBRUSH KLDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    if (HBRUSH brush = SkinnedCtlColor(pDC, pWnd, nCtlColor))
        return brush;
    return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

void KLDialog::OnDestroy()
{
    UndressSkinnedDialog(*this, m_pCaptionFrame);
    CWnd::OnDestroy();
}

void KLDialog::OnNcPaint() { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

BOOL KLDialog::OnNcActivate(BOOL) { return static_cast<BOOL>(SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox)); }

void KLDialog::OnNcLButtonDown(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLDialog::OnMouseMove(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLDialog::OnLButtonUp(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

BOOL KLDialog::OnEraseBkgnd(CDC* pDC)
{
    FillWindowWithSkin(m_hWnd, pDC ? pDC->m_hDC : nullptr, m_pBackgroundSkin ? m_pBackgroundSkin : GetSkinFrameBitmap(473));
    return TRUE;
}
