#include "Platform/Mfc/DataExchange.h"

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <type_traits>

namespace {

CString ControlText(HWND control)
{
    const int length = ::GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(control, text.data(), length + 1);
    return CString(text.data(), copied);
}

// Setting the same text again would only flicker (and notify).
void SetControlText(HWND control, LPCSTR text)
{
    if (ControlText(control) != text)
        ::SetWindowTextA(control, text);
}

bool OnlySpacesFrom(const char* p)
{
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    return *p == '\0';
}

// A whole number that fits T: optional spaces and sign, digits, spaces.
template <class T>
bool ParseInteger(const char* text, T* value)
{
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    if (!std::isdigit(static_cast<unsigned char>(*text)) && *text != '-' && *text != '+')
        return false;
    if constexpr (std::is_unsigned_v<T>) {
        if (*text == '-')
            return false;
    }
    char* end = nullptr;
    errno = 0;
    if constexpr (std::is_signed_v<T>) {
        const long long read = std::strtoll(text, &end, 10);
        if (errno || end == text || !OnlySpacesFrom(end) || read < std::numeric_limits<T>::min() ||
            read > std::numeric_limits<T>::max())
            return false;
        *value = static_cast<T>(read);
    } else {
        const unsigned long long read = std::strtoull(text, &end, 10);
        if (errno || end == text || !OnlySpacesFrom(end) || read > std::numeric_limits<T>::max())
            return false;
        *value = static_cast<T>(read);
    }
    return true;
}

// A finite number that fits T.
template <class T>
bool ParseReal(const char* text, T* value)
{
    char* end = nullptr;
    errno = 0;
    const double read = std::strtod(text, &end);
    if (errno || end == text || !OnlySpacesFrom(end) || !std::isfinite(read) ||
        std::fabs(read) > static_cast<double>(std::numeric_limits<T>::max()))
        return false;
    *value = static_cast<T>(read);
    return true;
}

template <class T>
std::string Shown(T value)
{
    if constexpr (std::is_floating_point_v<T>) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*g", std::is_same_v<T, float> ? FLT_DIG : DBL_DIG,
                      static_cast<double>(value));
        return text;
    } else {
        return std::to_string(value);
    }
}

// The parse message of each kind of value.
template <class T>
constexpr UINT kParsePrompt = std::is_floating_point_v<T> ? AFX_IDP_PARSE_REAL
                              : std::is_unsigned_v<T>     ? AFX_IDP_PARSE_UINT
                                                          : AFX_IDP_PARSE_INT;

template <class T>
void ExchangeNumber(CDataExchange* pDX, int nIDC, T& value)
{
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        SetControlText(control, Shown(value).c_str());
        return;
    }
    const CString text = ControlText(control);
    bool read = false;
    if constexpr (std::is_floating_point_v<T>)
        read = ParseReal(text, &value);
    else
        read = ParseInteger(text, &value);
    if (!read) {
        AfxMessageBox(kParsePrompt<T>);
        pDX->Fail();
    }
}

template <class T>
void CheckRange(CDataExchange* pDX, T value, T minVal, T maxVal)
{
    if (value >= minVal && value <= maxVal)
        return;
    // Values put into the controls are the program's; only what the user
    // gave is refused.
    if (!pDX->m_bSaveAndValidate)
        return;
    const UINT prompt = std::is_floating_point_v<T> ? AFX_IDP_PARSE_REAL_RANGE : AFX_IDP_PARSE_INT_RANGE;
    CString text;
    AfxFormatString2(text, prompt, Shown(minVal).c_str(), Shown(maxVal).c_str());
    AfxMessageBox(text, MB_ICONEXCLAMATION, prompt);
    pDX->Fail();
}

template <UINT kGet, UINT kSet>
void ExchangeIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(control, kGet, 0, 0));
    else
        ::SendMessageA(control, kSet, static_cast<WPARAM>(index), 0);
}

} // namespace

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    if (!control) {
        AfxTrace("CDataExchange: the dialog has no control %d\n", nIDC);
        AfxThrowNotSupportedException();
    }
    m_idLastControl = nIDC;
    m_bEditLastControl = FALSE;
    return control;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND control = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_idLastControl != 0) {
        HWND control = ::GetDlgItem(m_pDlgWnd->m_hWnd, m_idLastControl);
        ::SetFocus(control);
        if (m_bEditLastControl)
            ::SendMessageA(control, EM_SETSEL, 0, -1);
    }
    AfxThrowUserException();
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value) { ExchangeNumber(pDX, nIDC, value); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) { ExchangeNumber(pDX, nIDC, value); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, long& value) { ExchangeNumber(pDX, nIDC, value); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, float& value) { ExchangeNumber(pDX, nIDC, value); }
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value) { ExchangeNumber(pDX, nIDC, value); }

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND control = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ControlText(control);
    else
        SetControlText(control, value);
}

void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
        return;
    }
    if (value < static_cast<int>(BST_UNCHECKED) || value > static_cast<int>(BST_INDETERMINATE))
        value = BST_UNCHECKED;
    ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int button = 0;
    // The group runs to the next control that starts one.
    do {
        if (::SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageA(control, BM_GETCHECK, 0, 0) != BST_UNCHECKED && value == -1)
                    value = button;
            } else {
                ::SendMessageA(control, BM_SETCHECK, button == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++button;
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
    } while (control && !(::GetWindowLongA(control, GWL_STYLE) & WS_GROUP));
}

void AFXAPI DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    ExchangeIndex<CB_GETCURSEL, CB_SETCURSEL>(pDX, nIDC, index);
}

void AFXAPI DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    ExchangeIndex<LB_GETCURSEL, LB_SETCURSEL>(pDX, nIDC, index);
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    HWND control = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(control))
        AfxThrowNotSupportedException();
}

void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void AFXAPI DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void AFXAPI DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void AFXAPI DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void AFXAPI DDV_MinMaxFloat(CDataExchange* pDX, float const& value, float minVal, float maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void AFXAPI DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal)
{
    CheckRange(pDX, value, minVal, maxVal);
}

void AFXAPI DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars)
{
    if (!pDX->m_bSaveAndValidate) {
        if (pDX->m_idLastControl != 0 && pDX->m_bEditLastControl)
            ::SendDlgItemMessageA(pDX->m_pDlgWnd->m_hWnd, pDX->m_idLastControl, EM_LIMITTEXT,
                                  static_cast<WPARAM>(nChars), 0);
        return;
    }
    if (value.GetLength() <= nChars)
        return;
    CString text;
    AfxFormatString1(text, AFX_IDP_PARSE_STRING_SIZE, std::to_string(nChars).c_str());
    AfxMessageBox(text, MB_ICONEXCLAMATION, AFX_IDP_PARSE_STRING_SIZE);
    pDX->Fail();
}
