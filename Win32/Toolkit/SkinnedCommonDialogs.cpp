#include "Win32/Toolkit/SkinnedCommonDialogs.h"

#include "Win32/Toolkit/CaptionFrame.h"
#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/SkinnedDialog.h"
#include "Win32/Utils/ResourceSwitch.h"

IMPLEMENT_DYNAMIC(KLFileDialog, CFileDialog)
IMPLEMENT_DYNAMIC(KLFontDialog, CFontDialog)
IMPLEMENT_DYNAMIC(KLTextFontDlg, KLFontDialog)

namespace {

KLCaptionFrame* Dress(CWnd& dialog) { return DressSkinnedDialog(dialog, GetSkinFrameBitmap(473), GetSkinFrameBitmap(517)); }

void FillBackground(CWnd& dialog, CDC* pDC)
{
    CFrameBitmap* skin = GetSkinFrameBitmap(473);
    if (!skin || !pDC)
        return;
    CRect client;
    dialog.GetClientRect(&client);
    skin->DrawFill(pDC, &client);
}

// The real file dialog's size grip does not suit the skin.
void HideSizeGrips(HWND dialog)
{
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        char windowClass[101] = {};
        ::GetClassNameA(child, windowClass, 100);
        if (lstrcmpiA(windowClass, "ScrollBar") == 0)
            ::SetWindowLongA(child, GWL_STYLE, ::GetWindowLongA(child, GWL_STYLE) & ~static_cast<LONG>(WS_VISIBLE));
    }
}

} // namespace

// KLFileDialog

BEGIN_MESSAGE_MAP(KLFileDialog, CFileDialog)
    ON_WM_DRAWITEM()
    ON_WM_CTLCOLOR()
    ON_WM_ERASEBKGND()
    ON_WM_NCPAINT()
    ON_WM_NCACTIVATE()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

KLFileDialog::KLFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags,
                           LPCSTR lpszFilter, CWnd* pParentWnd)
    : CFileDialog(bOpenFileDialog, lpszDefExt, lpszFileName, dwFlags, lpszFilter, pParentWnd), m_pApp(&GetSkinState())
{
}

KLFileDialog::~KLFileDialog()
{
    delete m_pInnerDialog;
    delete m_pCaptionFrame;
}

BOOL KLFileDialog::OnInitDialog()
{
    const BOOL result = CDialog::OnInitDialog();
    HWND child = m_hWnd;
    HWND real = ::GetParent(child);
    if (!real)
        return result;
    UnsubclassWindow();
    SubclassWindow(real);
    m_pInnerDialog = new CFileDialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, nullptr, nullptr);
    m_pInnerDialog->SubclassWindow(child);
    HideSizeGrips(real);
    m_pCaptionFrame = Dress(*this);
    return result;
}

void KLFileDialog::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (!DrawSkinnedItem(lpDrawItemStruct))
        CWnd::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

HBRUSH KLFileDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    if (HBRUSH brush = SkinnedCtlColor(pDC, pWnd, nCtlColor))
        return brush;
    return CFileDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

BOOL KLFileDialog::OnEraseBkgnd(CDC* pDC)
{
    FillBackground(*this, pDC);
    return TRUE;
}

void KLFileDialog::OnNcPaint() { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

BOOL KLFileDialog::OnNcActivate(BOOL) { return static_cast<BOOL>(SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox)); }

void KLFileDialog::OnNcLButtonDown(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLFileDialog::OnMouseMove(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLFileDialog::OnLButtonUp(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLFileDialog::OnDestroy()
{
    UnsubclassSkinnedChildren(m_hWnd);
    if (m_pInnerDialog) {
        // The child dialog is the real dialog's to destroy.
        m_pInnerDialog->UnsubclassWindow();
        delete m_pInnerDialog;
        m_pInnerDialog = nullptr;
    }
    delete m_pCaptionFrame;
    m_pCaptionFrame = nullptr;
    Default();
}

// KLFontDialog

BEGIN_MESSAGE_MAP(KLFontDialog, CFontDialog)
    ON_WM_DRAWITEM()
    ON_WM_CTLCOLOR()
    ON_WM_ERASEBKGND()
    ON_WM_NCPAINT()
    ON_WM_NCACTIVATE()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

KLFontDialog::KLFontDialog(LPLOGFONTA lplfInitial, DWORD dwFlags, CDC* pdcPrinter, CWnd* pParentWnd)
    : CFontDialog(lplfInitial, dwFlags, pdcPrinter, pParentWnd), m_pApp(&GetSkinState())
{
}

KLFontDialog::~KLFontDialog() { delete m_pCaptionFrame; }

BOOL KLFontDialog::OnInitDialog()
{
    const BOOL result = CDialog::OnInitDialog();
    m_pCaptionFrame = Dress(*this);
    return result;
}

void KLFontDialog::OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (!DrawSkinnedItem(lpDrawItemStruct))
        CWnd::OnDrawItem(nIDCtl, lpDrawItemStruct);
}

HBRUSH KLFontDialog::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    if (HBRUSH brush = SkinnedCtlColor(pDC, pWnd, nCtlColor))
        return brush;
    return CFontDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}

BOOL KLFontDialog::OnEraseBkgnd(CDC* pDC)
{
    FillBackground(*this, pDC);
    return TRUE;
}

void KLFontDialog::OnNcPaint() { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

BOOL KLFontDialog::OnNcActivate(BOOL) { return static_cast<BOOL>(SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox)); }

void KLFontDialog::OnNcLButtonDown(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLFontDialog::OnMouseMove(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLFontDialog::OnLButtonUp(UINT, CPoint) { SkinnedFrameMessage(*this, m_pCaptionFrame, m_nPressedBox); }

void KLFontDialog::OnDestroy()
{
    UndressSkinnedDialog(*this, m_pCaptionFrame);
    Default();
}

// KLTextFontDlg

BEGIN_MESSAGE_MAP(KLTextFontDlg, KLFontDialog)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

KLTextFontDlg::KLTextFontDlg(LPLOGFONTA lplfInitial, DWORD dwFlags, CDC* pdcPrinter, CWnd* pParentWnd)
    : KLFontDialog(lplfInitial, dwFlags | CF_ENABLEHOOK | CF_ENABLETEMPLATE | CF_NOVERTFONTS, pdcPrinter, pParentWnd)
{
    m_cf.lpfnHook = HookProc;
    m_cf.lpTemplateName = MAKEINTRESOURCEA(IDD);
    m_cf.hInstance = GetLanguageResourceModule();
}

KLTextFontDlg::~KLTextFontDlg() = default;

void KLTextFontDlg::DoDataExchange(CDataExchange* pDX)
{
    KLFontDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_FIRST_CHOICE, m_nChoice);
}

UINT_PTR CALLBACK KLTextFontDlg::HookProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    // The framework's hook is replaced, so its OnInitDialog never runs: the
    // dialog is dressed here. The system dialog does all its own work.
    if (message == WM_INITDIALOG) {
        if (auto* self = dynamic_cast<KLTextFontDlg*>(CWnd::FromHandle(hWnd))) {
            self->m_pCaptionFrame = Dress(*self);
            self->UpdateData(FALSE);
        }
    }
    return 0;
}

void KLTextFontDlg::OnDestroy()
{
    UpdateData(TRUE);
    UndressSkinnedDialog(*this, m_pCaptionFrame);
    Default();
}
