#include "Platform/Mfc/AfxRes.h"

#include <string>

namespace {

struct FrameworkString {
    UINT id;
    LPCSTR text;
};

constexpr FrameworkString kFrameworkStrings[] = {
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {AFX_IDS_OPENFILE, "Open"},
    {AFX_IDS_SAVEFILE, "Save As"},
    {AFX_IDS_ALLFILTER, "All Files (*.*)"},
    {AFX_IDS_UNTITLED, "Untitled"},
    {AFX_IDP_INVALID_FILENAME, "Invalid filename."},
    {AFX_IDP_FAILED_TO_OPEN_DOC, "Failed to open document."},
    {AFX_IDP_FAILED_TO_SAVE_DOC, "Failed to save document."},
    {AFX_IDP_ASK_TO_SAVE, "Save changes to %1?"},
    {AFX_IDP_FAILED_TO_CREATE_DOC, "Failed to create empty document."},
    {AFX_IDP_INTERNAL_FAILURE, "Internal application error."},
    {AFX_IDP_COMMAND_FAILURE, "Command failed."},
    {AFX_IDP_FAILED_MEMORY_ALLOC, "Insufficient memory to perform operation."},
    {AFX_IDP_PARSE_INT, "Please enter an integer."},
    {AFX_IDP_PARSE_REAL, "Please enter a number."},
    {AFX_IDP_PARSE_INT_RANGE, "Please enter an integer between %1 and %2."},
    {AFX_IDP_PARSE_REAL_RANGE, "Please enter a number between %1 and %2."},
    {AFX_IDP_PARSE_STRING_SIZE, "Please enter no more than %1 characters."},
    {AFX_IDP_PARSE_RADIO_BUTTON, "Please select a button."},
    {AFX_IDP_PARSE_UINT, "Please enter a positive integer."},
    {AFX_IDP_NO_ERROR_AVAILABLE, "No error message is available."},
};

// Replaces %1..%9 by the arguments; other % signs stay.
CString Substitute(const CString& format, const LPCSTR* args, int count)
{
    std::string out;
    LPCSTR p = format;
    for (; *p; ++p) {
        if (p[0] == '%' && p[1] >= '1' && p[1] <= '9' && p[1] - '1' < count) {
            out += args[p[1] - '1'] ? args[p[1] - '1'] : "";
            ++p;
        } else {
            out += *p;
        }
    }
    return CString(out.c_str());
}

} // namespace

LPCSTR AfxFrameworkString(UINT nID)
{
    for (const FrameworkString& entry : kFrameworkStrings)
        if (entry.id == nID)
            return entry.text;
    return nullptr;
}

void AFXAPI AfxFormatString1(CString& rString, UINT nIDS, LPCSTR lpsz1)
{
    CString format;
    format.LoadString(nIDS);
    const LPCSTR args[] = {lpsz1};
    rString = Substitute(format, args, 1);
}

void AFXAPI AfxFormatString2(CString& rString, UINT nIDS, LPCSTR lpsz1, LPCSTR lpsz2)
{
    CString format;
    format.LoadString(nIDS);
    const LPCSTR args[] = {lpsz1, lpsz2};
    rString = Substitute(format, args, 2);
}
