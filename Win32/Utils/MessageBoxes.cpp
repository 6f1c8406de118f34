#include "Win32/Utils/MessageBoxes.h"

#include <cstring>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/String.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

// True when `format` holds no conversion but "%%" and at most one "%s"
// (with flags, width or precision), so formatting it with one text is safe.
bool TakesOneText(LPCSTR format)
{
    int texts = 0;
    for (const char* p = format; *p; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        p += std::strspn(p, "-+ #0123456789.");
        if (*p != 's' || ++texts > 1)
            return false;
    }
    return true;
}

} // namespace

int ShowResourceMessage(UINT nID, UINT nType)
{
    CResourceSwitch language(kResourceLanguage);
    CString text;
    if (!text.LoadString(nID))
        return IDCANCEL;
    return AfxMessageBox(text, nType);
}

BOOL FormatResourceMessage(UINT nID, LPCSTR lpszArg, CString& text)
{
    text.Empty();
    CResourceSwitch language(kResourceLanguage);
    CString format;
    if (!format.LoadString(nID))
        return FALSE;
    if (TakesOneText(format))
        text.Format(format, lpszArg ? lpszArg : "");
    else
        text = format;
    return TRUE;
}

int ShowFormattedMessage(UINT nID, LPCSTR lpszArg, UINT nType)
{
    CString text;
    if (!FormatResourceMessage(nID, lpszArg, text))
        return IDCANCEL;
    return AfxMessageBox(text, nType);
}

int ShowDirectShowError(UINT nID, HRESULT hr, UINT nType)
{
    char description[MAX_ERROR_TEXT_LEN];
    if (AMGetErrorTextA(hr, description, MAX_ERROR_TEXT_LEN) == 0)
        description[0] = '\0';
    return ShowFormattedMessage(nID, description, nType);
}
