#include "Win32/Toolkit/SkinnedControls.h"

#include "Win32/Imaging/IplImage.h"
#include "Win32/Toolkit/FrameBitmap.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Utils/ResourceSwitch.h"

IMPLEMENT_DYNAMIC(KLGroupBox, CWnd)
IMPLEMENT_DYNAMIC(KLStatic, CStatic)
IMPLEMENT_DYNAMIC(KLToolbar, CToolBarCtrl)
IMPLEMENT_DYNAMIC(KLRadioCheck, CButton)
IMPLEMENT_DYNAMIC(KLPictureWnd, CStatic)

namespace {

constexpr int kGroupTitleIndent = 20;
constexpr int kCheckTextIndent = 18;
constexpr COLORREF kDisabledCheckText = 0x969696;
constexpr int kDialogPictureFrame = 974;
constexpr int kPanelPictureFrame = 972;

// Takes the control over unless MFC already maps it permanently.
BOOL TakeOver(CWnd& object, HWND hWnd)
{
    return !CWnd::FromHandlePermanent(hWnd) && object.SubclassWindow(hWnd);
}

// A wrapper never destroys the control it took over: it gives the control
// its procedure back when it goes first.
void LetGo(CWnd& object)
{
    if (object.m_hWnd && CWnd::FromHandlePermanent(object.m_hWnd) == &object)
        object.UnsubclassWindow();
}

void FillClient(CWnd& window, CDC* dc, CFrameBitmap* skin)
{
    if (!skin || !dc)
        return;
    CRect client;
    window.GetClientRect(&client);
    skin->DrawFill(dc, &client);
}

// Selects the skin's UI font for the life of the object.
class UIFontSelection {
public:
    explicit UIFontSelection(CDC& dc) : m_dc(dc)
    {
        CFont* font = GetSkinState().GetUIFont();
        if (font && font->m_hObject)
            m_previous = m_dc.SelectObject(font->m_hObject);
    }
    ~UIFontSelection()
    {
        if (m_previous)
            m_dc.SelectObject(m_previous);
    }
    UIFontSelection(const UIFontSelection&) = delete;
    UIFontSelection& operator=(const UIFontSelection&) = delete;

private:
    CDC& m_dc;
    HGDIOBJ m_previous = nullptr;
};

} // namespace

// KLGroupBox

BEGIN_MESSAGE_MAP(KLGroupBox, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

KLGroupBox::KLGroupBox(HWND hWnd)
{
    if ((m_bSubclassed = TakeOver(*this, hWnd))) {
        m_pControlSkin = GetSkinFrameBitmap(517);
        m_pBackgroundSkin = GetSkinFrameBitmap(473);
    }
}

KLGroupBox::~KLGroupBox() { LetGo(*this); }

void KLGroupBox::OnPaint()
{
    CPaintDC dc(this);
    CString text;
    GetWindowText(text);
    CRect client;
    GetClientRect(&client);
    CRect title = client;
    title.left += kGroupTitleIndent;
    UIFontSelection font(dc);
    if (!text.IsEmpty())
        dc.DrawText(text, &title, DT_CALCRECT | DT_SINGLELINE);
    client.top += 3;
    if (m_pControlSkin)
        m_pControlSkin->DrawFrame(&dc, &client);
    if (text.IsEmpty())
        return;
    if (GetStyle() & (BS_LEFT | BS_RIGHT | BS_CENTER)) {
        const int width = title.Width();
        title.left = client.left + client.Width() / 2 - width / 2;
        title.right = title.left + width;
    }
    // The title hides the frame line behind it.
    if (m_pBackgroundSkin)
        m_pBackgroundSkin->DrawFill(&dc, &title);
    dc.SetTextColor(GetSkinState().m_crDialogText);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(text, &title, DT_SINGLELINE);
}

BOOL KLGroupBox::OnEraseBkgnd(CDC*) { return TRUE; }

// KLStatic

BEGIN_MESSAGE_MAP(KLStatic, CStatic)
    ON_WM_ERASEBKGND()
    ON_MESSAGE(WM_SETTEXT, OnSetText)
END_MESSAGE_MAP()

KLStatic::KLStatic(HWND hWnd)
{
    if ((m_bSubclassed = TakeOver(*this, hWnd))) {
        m_pControlSkin = GetSkinFrameBitmap(517);
        m_pBackgroundSkin = GetSkinFrameBitmap(473);
    }
}

KLStatic::~KLStatic() { LetGo(*this); }

BOOL KLStatic::OnEraseBkgnd(CDC* pDC)
{
    FillClient(*this, pDC, m_pBackgroundSkin);
    return TRUE;
}

LRESULT KLStatic::OnSetText(WPARAM, LPARAM lParam)
{
    // The old text is wiped first: the static draws its text transparently,
    // so a shorter text would leave the old one's end behind.
    CClientDC dc(this);
    FillClient(*this, &dc, m_pBackgroundSkin);
    DefWindowProc(WM_SETTEXT, 0, lParam);
    return TRUE;
}

// KLToolbar

BEGIN_MESSAGE_MAP(KLToolbar, CToolBarCtrl)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

KLToolbar::KLToolbar(HWND hWnd)
{
    if ((m_bSubclassed = TakeOver(*this, hWnd)))
        m_pBackgroundSkin = GetSkinFrameBitmap(473);
}

KLToolbar::~KLToolbar() { LetGo(*this); }

BOOL KLToolbar::OnEraseBkgnd(CDC* pDC)
{
    FillClient(*this, pDC, m_pBackgroundSkin);
    return TRUE;
}

// KLRadioCheck

BEGIN_MESSAGE_MAP(KLRadioCheck, CButton)
    ON_WM_PAINT()
    ON_WM_ENABLE()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

KLRadioCheck::KLRadioCheck(HWND hWnd)
{
    if ((m_bSubclassed = TakeOver(*this, hWnd))) {
        m_pControlSkin = GetSkinFrameBitmap(517);
        m_pBackgroundSkin = GetSkinFrameBitmap(473);
    }
}

KLRadioCheck::~KLRadioCheck() { LetGo(*this); }

void KLRadioCheck::OnPaint()
{
    CPaintDC dc(this);
    FillClient(*this, &dc, m_pBackgroundSkin);
    CRect client;
    GetClientRect(&client);
    COLORREF textColor = GetSkinState().m_crDialogText;
    CRect box = client;
    UINT state = 0;
    switch (GetStyle() & 0xF) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
        box.right = 13;
        state = DFCS_BUTTONCHECK;
        break;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        box.OffsetRect(1, -1);
        box.right = box.left + 12;
        state = DFCS_BUTTONRADIO;
        break;
    default:
        break;
    }
    // An indeterminate state draws as checked.
    if (GetCheck() != 0)
        state |= DFCS_CHECKED;
    if (!IsWindowEnabled()) {
        state |= DFCS_INACTIVE;
        textColor = kDisabledCheckText;
    }
    dc.DrawFrameControl(&box, DFC_BUTTON, state);
    CString text;
    GetWindowText(text);
    CRect label = client;
    label.left += kCheckTextIndent;
    UIFontSelection font(dc);
    dc.SetTextColor(textColor);
    dc.SetBkMode(TRANSPARENT);
    dc.DrawText(text, &label, DT_VCENTER | DT_SINGLELINE);
}

void KLRadioCheck::OnEnable(BOOL)
{
    Default();
    Invalidate(FALSE);
}

BOOL KLRadioCheck::OnEraseBkgnd(CDC* pDC)
{
    FillClient(*this, pDC, m_pBackgroundSkin);
    return TRUE;
}

// KLPictureWnd

BEGIN_MESSAGE_MAP(KLPictureWnd, CStatic)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

KLPictureWnd::KLPictureWnd(HWND hWnd) { m_bSubclassed = TakeOver(*this, hWnd); }

KLPictureWnd::~KLPictureWnd() { LetGo(*this); }

void KLPictureWnd::SetColor(COLORREF color)
{
    m_bColorMode = TRUE;
    m_pImage = nullptr;
    m_crColor = color;
    Invalidate(TRUE);
    UpdateWindow();
}

void KLPictureWnd::SetImage(CIplImage* image)
{
    if (!image) {
        SetColor(0);
        return;
    }
    m_bColorMode = FALSE;
    m_pImage = image;
    Invalidate(TRUE);
    UpdateWindow();
}

BOOL KLPictureWnd::OnEraseBkgnd(CDC* pDC)
{
    FillClient(*this, pDC, GetSkinFrameBitmap(m_bDialogLook ? 473 : 396));
    return TRUE;
}

void KLPictureWnd::OnPaint()
{
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    {
        CResourceSwitch bitmaps(kResourceBitmaps);
        CBitmap frame;
        BITMAP size{};
        if (frame.LoadBitmap(static_cast<UINT>(m_bDialogLook ? kDialogPictureFrame : kPanelPictureFrame)) &&
            frame.GetBitmap(&size)) {
            CDC source;
            source.CreateCompatibleDC(&dc);
            CBitmap* previous = source.SelectObject(&frame);
            dc.StretchBlt(0, 0, client.Width(), client.Height(), &source, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
            source.SelectObject(previous);
        }
    }
    const CRect inner(1, 1, client.Width() - 9, client.Height() - 9);
    if (m_bColorMode || !m_pImage) {
        CBrush brush(m_crColor);
        dc.FillRect(&inner, &brush);
    } else {
        m_pImage->Draw(dc.m_hDC, inner);
    }
}
