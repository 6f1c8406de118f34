#include "Win32/Toolkit/MessageBoxDialog.h"

#include <algorithm>

#include "Win32/Toolkit/SplashPump.h"
#include "Win32/Utils/ResourceSwitch.h"

IMPLEMENT_DYNAMIC(KLMsgBoxDialog, KLDialog)

namespace {

// How the three buttons of the template are used.
enum class ButtonLayout {
    OkOnly, // IDOK alone, moved to the middle button's place
    Pair,   // IDOK and IDCANCEL, each moved half a button toward the middle
    Three,  // all three in place
};

constexpr int kMiddle = KLMsgBoxDialog::kMiddleButton;

// One row per message-box type (style & MB_TYPEMASK), the last for every
// other value.
struct MessageBoxType {
    int shown[3];         // the buttons shown, left to right; 0 ends
    UINT captions[3];     // string ids for IDOK, 4353, IDCANCEL; 0 keeps the template's
    ButtonLayout layout;
    int answers[3];       // for IDOK, 4353 and IDCANCEL; 0 answers nothing
    bool okFollowsFocus;  // Enter on a focused button answers as that button
};
constexpr MessageBoxType kMessageBoxTypes[] = {
    {{IDOK, 0, 0}, {0, 0, 0}, ButtonLayout::OkOnly, {IDOK, 0, IDCANCEL}, false},
    {{IDOK, IDCANCEL, 0}, {0, 0, 0}, ButtonLayout::Pair, {IDOK, 0, IDCANCEL}, false},
    {{IDOK, kMiddle, IDCANCEL}, {61406, 61405, 61407}, ButtonLayout::Three, {IDABORT, IDRETRY, IDIGNORE}, false},
    {{IDOK, kMiddle, IDCANCEL}, {61403, 61404, 0}, ButtonLayout::Three, {IDYES, IDNO, IDCANCEL}, true},
    {{IDOK, IDCANCEL, 0}, {61403, 0, 61404}, ButtonLayout::Pair, {IDYES, 0, IDNO}, true},
    {{IDOK, IDCANCEL, 0}, {61405, 0, 0}, ButtonLayout::Pair, {IDRETRY, 0, IDCANCEL}, false},
    {{IDOK, kMiddle, IDCANCEL}, {0, 0, 0}, ButtonLayout::Three, {IDOK, 0, IDCANCEL}, false},
};
constexpr int kTemplateButtons[3] = {IDOK, kMiddle, IDCANCEL};

const MessageBoxType& TypeOf(UINT style)
{
    const UINT type = style & MB_TYPEMASK;
    constexpr UINT kOther = std::size(kMessageBoxTypes) - 1;
    return kMessageBoxTypes[std::min(type, kOther)];
}

int ShownCount(const MessageBoxType& type)
{
    return static_cast<int>(std::count_if(std::begin(type.shown), std::end(type.shown), [](int id) { return id != 0; }));
}

// The position of a template button (IDOK, 4353, IDCANCEL) in the rows.
int SlotOf(int id)
{
    for (int slot = 0; slot < 3; ++slot)
        if (kTemplateButtons[slot] == id)
            return slot;
    return -1;
}

constexpr LPCSTR IconFor(UINT style)
{
    switch (style & MB_ICONMASK) {
    case MB_ICONHAND:
        return IDI_HAND;
    case MB_ICONQUESTION:
        return IDI_QUESTION;
    case MB_ICONEXCLAMATION:
        return IDI_EXCLAMATION;
    default:
        return IDI_ASTERISK;
    }
}

// A child's window rectangle in its parent's client coordinates.
CRect PlaceOf(CWnd& parent, int id)
{
    CRect rect;
    if (HWND child = ::GetDlgItem(parent.m_hWnd, id)) {
        ::GetWindowRect(child, &rect);
        parent.ScreenToClient(&rect);
    }
    return rect;
}

void MoveChild(CWnd& parent, int id, const CRect& rect)
{
    if (HWND child = ::GetDlgItem(parent.m_hWnd, id))
        ::MoveWindow(child, rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
}

} // namespace

BEGIN_MESSAGE_MAP(KLMsgBoxDialog, KLDialog)
    ON_COMMAND(kMiddleButton, OnMiddleButton)
END_MESSAGE_MAP()

KLMsgBoxDialog::KLMsgBoxDialog(LPCSTR text, UINT style, UINT helpContextId, LPCSTR caption, CWnd* pParentWnd)
    : KLDialog(IDD, pParentWnd), m_strCaption(caption ? caption : ""), m_strText(text ? text : ""), m_nStyle(style),
      m_nHelpContextId(helpContextId)
{
}

KLMsgBoxDialog::~KLMsgBoxDialog() = default;

void KLMsgBoxDialog::DoDataExchange(CDataExchange* pDX)
{
    KLDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnOk);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, kMiddleButton, m_btnMiddle);
}

BOOL KLMsgBoxDialog::OnInitDialog()
{
    PumpSplashUntilDone();
    KLDialog::OnInitDialog();
    CResourceSwitch language(kResourceLanguage);
    FitText();
    SetDlgItemText(kTextStatic, m_strText);
    if (!m_strCaption.IsEmpty())
        SetWindowText(m_strCaption);
    ShowIcon();
    LayOutButtons();
    ChooseDefaultButton();
    return TRUE;
}

void KLMsgBoxDialog::FitText()
{
    HWND text = ::GetDlgItem(m_hWnd, kTextStatic);
    if (!text)
        return;
    // Measured as the static draws it: its font, its width, words wrapped.
    CRect shown;
    ::GetClientRect(text, &shown);
    CRect measured = shown;
    UINT format = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS;
    if (::GetWindowLongA(text, GWL_STYLE) & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    {
        CClientDC dc(this);
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(::SendMessageA(text, WM_GETFONT, 0, 0));
        HGDIOBJ previous = font ? dc.SelectObject(font) : nullptr;
        dc.DrawText(m_strText, &measured, format);
        if (previous)
            dc.SelectObject(previous);
    }
    int grow = measured.Height() - shown.Height();
    if (grow <= 0)
        return;
    grow += 6;
    // A text taller than the screen grows the box only to the work area, so
    // that the buttons stay on screen.
    CRect window;
    GetWindowRect(&window);
    CRect work;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        work.SetRect(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    grow = std::min(grow, work.Height() - window.Height());
    if (grow <= 0)
        return;
    CRect textPlace = PlaceOf(*this, kTextStatic);
    textPlace.bottom += grow;
    MoveChild(*this, kTextStatic, textPlace);
    for (int id : kTemplateButtons) {
        CRect place = PlaceOf(*this, id);
        place.OffsetRect(0, grow);
        MoveChild(*this, id, place);
    }
    SetWindowPos(nullptr, 0, 0, window.Width(), window.Height() + grow, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow();
}

void KLMsgBoxDialog::ShowIcon()
{
    SendDlgItemMessage(kIconStatic, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconA(nullptr, IconFor(m_nStyle))));
}

void KLMsgBoxDialog::LayOutButtons()
{
    const MessageBoxType& type = TypeOf(m_nStyle);
    for (int slot = 0; slot < 3; ++slot) {
        if (type.captions[slot] == 0)
            continue;
        CString caption;
        caption.LoadString(type.captions[slot]);
        SetDlgItemText(kTemplateButtons[slot], caption);
    }
    const CRect middle = PlaceOf(*this, kMiddleButton);
    const int half = middle.Width() / 2;
    switch (type.layout) {
    case ButtonLayout::OkOnly:
        ::ShowWindow(::GetDlgItem(m_hWnd, kMiddleButton), SW_HIDE);
        ::ShowWindow(::GetDlgItem(m_hWnd, IDCANCEL), SW_HIDE);
        MoveChild(*this, IDOK, middle);
        break;
    case ButtonLayout::Pair: {
        ::ShowWindow(::GetDlgItem(m_hWnd, kMiddleButton), SW_HIDE);
        CRect ok = PlaceOf(*this, IDOK);
        ok.OffsetRect(half, 0);
        MoveChild(*this, IDOK, ok);
        CRect cancel = PlaceOf(*this, IDCANCEL);
        cancel.OffsetRect(-half, 0);
        MoveChild(*this, IDCANCEL, cancel);
        break;
    }
    case ButtonLayout::Three:
        break;
    }
}

void KLMsgBoxDialog::ChooseDefaultButton()
{
    const MessageBoxType& type = TypeOf(m_nStyle);
    int index = static_cast<int>((m_nStyle & MB_DEFMASK) >> 8);
    // A flag naming more buttons than are shown gives the first.
    if (index >= ShownCount(type))
        index = 0;
    SendMessage(DM_SETDEFID, static_cast<WPARAM>(type.shown[index]));
}

void KLMsgBoxDialog::Answer(int answer)
{
    if (answer != 0)
        EndDialog(answer);
}

void KLMsgBoxDialog::OnOK()
{
    const MessageBoxType& type = TypeOf(m_nStyle);
    int slot = 0;
    if (type.okFollowsFocus) {
        HWND focus = ::GetFocus();
        const int focused = focus && ::IsChild(m_hWnd, focus) ? SlotOf(::GetDlgCtrlID(focus)) : -1;
        if (focused >= 0)
            slot = focused;
    }
    Answer(type.answers[slot]);
}

void KLMsgBoxDialog::OnCancel() { Answer(TypeOf(m_nStyle).answers[2]); }

void KLMsgBoxDialog::OnMiddleButton() { Answer(TypeOf(m_nStyle).answers[1]); }

int KLMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    KLMsgBoxDialog box(text, style, 0, caption, CWnd::FromHandle(owner));
    return static_cast<int>(box.DoModal());
}

int SkinnedMessageBox(LPCSTR text, UINT type, UINT helpId)
{
    CResourceSwitch language(kResourceLanguage);
    KLMsgBoxDialog box(text, type, helpId, nullptr, nullptr);
    return static_cast<int>(box.DoModal());
}
