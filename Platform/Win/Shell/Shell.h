#pragma once
// The shell: file operations, special folders, opening documents and
// dropped files. ShellSeams.h has the program launcher that tests replace
// and the drops the desktop delivers.

#include "Platform/Com/Com.h"
#include "Platform/Win/CommDlg/CommDlg.h"

// Files dropped on a window (WM_DROPFILES).
DECLARE_HANDLE(HDROP);

// The drop record behind an HDROP (and CF_HDROP on the clipboard): this
// header, then at pFiles the names, each ending with a NUL, and one more
// NUL; ANSI (UTF-8) names unless fWide.
struct DROPFILES {
    DWORD pFiles;
    POINT pt;
    BOOL fNC;
    BOOL fWide;
};
using LPDROPFILES = DROPFILES*;

// Sets or clears WS_EX_ACCEPTFILES.
void DragAcceptFiles(HWND window, BOOL accept);
// The count for index 0xFFFFFFFF; the length of a name without its NUL
// for a null buffer; else the name copied (cut to the buffer, always
// ended) and the characters copied. A damaged record counts 0 names.
UINT DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT size);
// The point of the drop in the client area of the window that got it;
// FALSE when it fell on the non-client area.
BOOL DragQueryPoint(HDROP drop, LPPOINT point);
void DragFinish(HDROP drop);
// True when the mouse leaves the drag rectangle around `point` (screen)
// with the left button down; false when the button comes up first.
BOOL DragDetect(HWND window, POINT point);
inline UINT DragQueryFile(HDROP d, UINT i, LPSTR b, UINT s) { return DragQueryFileA(d, i, b, s); }

// File operations.
constexpr UINT FO_MOVE = 0x0001;
constexpr UINT FO_COPY = 0x0002;
constexpr UINT FO_DELETE = 0x0003;
constexpr UINT FO_RENAME = 0x0004;
using FILEOP_FLAGS = WORD;
constexpr FILEOP_FLAGS FOF_MULTIDESTFILES = 0x0001;
constexpr FILEOP_FLAGS FOF_CONFIRMMOUSE = 0x0002;
constexpr FILEOP_FLAGS FOF_SILENT = 0x0004;
constexpr FILEOP_FLAGS FOF_RENAMEONCOLLISION = 0x0008;
constexpr FILEOP_FLAGS FOF_NOCONFIRMATION = 0x0010;
constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x0040;
constexpr FILEOP_FLAGS FOF_FILESONLY = 0x0080;
constexpr FILEOP_FLAGS FOF_SIMPLEPROGRESS = 0x0100;
constexpr FILEOP_FLAGS FOF_NOCONFIRMMKDIR = 0x0200;
constexpr FILEOP_FLAGS FOF_NOERRORUI = 0x0400;

struct SHFILEOPSTRUCTA {
    HWND hwnd;
    UINT wFunc;
    LPCSTR pFrom; // names, each NUL-ended, then one more NUL
    LPCSTR pTo;
    FILEOP_FLAGS fFlags;
    BOOL fAnyOperationsAborted;
    LPVOID hNameMappings;
    LPCSTR lpszProgressTitle;
};
using LPSHFILEOPSTRUCTA = SHFILEOPSTRUCTA*;
using SHFILEOPSTRUCT = SHFILEOPSTRUCTA;

// Copies, moves, renames or deletes every source (a trailing "*" or "*.x"
// pattern matches within its folder). A folder is copied or moved into an
// existing destination folder, or into the destination made when several
// sources are given or the source is a folder. 0 on success; a missing
// source, a destination inside its source or a failed copy answers an error
// code and leaves what was done so far.
int SHFileOperationA(LPSHFILEOPSTRUCTA operation);
inline int SHFileOperation(LPSHFILEOPSTRUCTA operation) { return SHFileOperationA(operation); }

// Special folders.
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr DWORD SHGFP_TYPE_CURRENT = 0;
// CSIDL_PERSONAL: the XDG documents folder, else the home folder;
// CSIDL_APPDATA and CSIDL_LOCAL_APPDATA: XDG_CONFIG_HOME or ~/.config and
// XDG_DATA_HOME or ~/.local/share; CSIDL_COMMON_APPDATA: the installation's
// data folder (KESTRELON_DATA_DIR, else the program's folder). `path`
// holds MAX_PATH characters.
HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);
inline HRESULT SHGetFolderPath(HWND o, int f, HANDLE t, DWORD fl, LPSTR p) { return SHGetFolderPathA(o, f, t, fl, p); }

// Opening documents and addresses.
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;
// "open" (or no verb) of a file or URL through the desktop's opener
// ("xdg-open", started with an argument vector, never through a shell):
// a value above 32 on success, 32 or less on failure.
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);
inline HINSTANCE ShellExecute(HWND o, LPCSTR v, LPCSTR f, LPCSTR p, LPCSTR d, INT s)
{
    return ShellExecuteA(o, v, f, p, d, s);
}

// The property frame over objects' property pages (OleCreatePropertyFrame).
#include "Platform/Win/Shell/PropertyFrame.h"
