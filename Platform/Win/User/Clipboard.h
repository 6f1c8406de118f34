#pragma once
// The clipboard: an in-process store of data handles by format, with the
// Win32 rules for opening, emptying and ownership, shared by the threads of
// this process. The window that opened the clipboard when it was emptied
// owns it: the previous owner gets WM_DESTROYCLIPBOARD when it is emptied
// again, and a destroyed owner leaves the clipboard without one. Handles
// that are not windows are kept as opaque owner values.
//
// Plain text is shared with the desktop's clipboard when the display back
// end offers one (sdl): CF_TEXT set here goes out when the clipboard is
// closed, and text another program copied comes in (replacing the store,
// without owner) when the clipboard is opened or CF_TEXT is asked for.
// Text here has CRLF line ends; the desktop's has LF.
//
// After SetClipboardData the clipboard owns the handle: global-memory
// handles are freed with GlobalFree when the format is replaced or the
// clipboard is emptied. Handles of the GDI formats (CF_BITMAP, CF_PALETTE,
// CF_ENHMETAFILE and their display forms) are kept but never freed here
// until GDI objects exist. Formats are not converted into one another (no
// CF_TEXT from CF_UNICODETEXT), and delayed rendering (a null handle) makes
// the format available without data.

#include "Platform/Win/Base/WinTypes.h"

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_METAFILEPICT = 3;
constexpr UINT CF_SYLK = 4;
constexpr UINT CF_DIF = 5;
constexpr UINT CF_TIFF = 6;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_PALETTE = 9;
constexpr UINT CF_PENDATA = 10;
constexpr UINT CF_RIFF = 11;
constexpr UINT CF_WAVE = 12;
constexpr UINT CF_UNICODETEXT = 13;
constexpr UINT CF_ENHMETAFILE = 14;
constexpr UINT CF_HDROP = 15;
constexpr UINT CF_LOCALE = 16;
constexpr UINT CF_DIBV5 = 17;
constexpr UINT CF_OWNERDISPLAY = 0x0080;
constexpr UINT CF_DSPTEXT = 0x0081;
constexpr UINT CF_DSPBITMAP = 0x0082;
constexpr UINT CF_DSPMETAFILEPICT = 0x0083;
constexpr UINT CF_DSPENHMETAFILE = 0x008E;
constexpr UINT CF_PRIVATEFIRST = 0x0200;
constexpr UINT CF_PRIVATELAST = 0x02FF;
constexpr UINT CF_GDIOBJFIRST = 0x0300;
constexpr UINT CF_GDIOBJLAST = 0x03FF;

constexpr DWORD ERROR_CLIPBOARD_NOT_OPEN = 1418;

// Fails with ERROR_ACCESS_DENIED while another thread has the clipboard
// open; the thread that has it open may open it again.
BOOL OpenClipboard(HWND newOwner);
// ERROR_CLIPBOARD_NOT_OPEN unless the calling thread has it open.
BOOL CloseClipboard();
// Frees every format's data and makes the opener the owner.
BOOL EmptyClipboard();
// Requires the clipboard open by the calling thread; returns the handle, or
// null on failure (the caller then still owns the handle).
HANDLE SetClipboardData(UINT format, HANDLE data);
// Requires the clipboard open by the calling thread. The handle stays the
// clipboard's: the caller may lock and read it but must not free it.
HANDLE GetClipboardData(UINT format);
// Needs no open clipboard.
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
// 0 starts the enumeration; returns 0 after the last format.
UINT EnumClipboardFormats(UINT format);
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();
// Formats 0xC000 to 0xFFFF, one per name (ASCII case ignored).
UINT RegisterClipboardFormatA(LPCSTR name);
int GetClipboardFormatNameA(UINT format, LPSTR buffer, int size);
inline UINT RegisterClipboardFormat(LPCSTR name) { return RegisterClipboardFormatA(name); }

namespace win::detail {
// Called by the window system as a window goes, with its lock held.
void ClipboardWindowGone(HWND window);
} // namespace win::detail
