#pragma once
// Dialog boxes and the dialog manager: dialogs built from DLGTEMPLATE and
// DLGTEMPLATEEX templates (a module's RT_DIALOG resources or templates in
// memory), modal and modeless; keyboard navigation between their controls
// (IsDialogMessage); the message box.
//
// A dialog window is of class "#32770" unless its template names another
// (whose cbWndExtra must be at least DLGWINDOWEXTRA). Its procedure is
// DefDlgProc, which asks the dialog procedure (DWLP_DLGPROC) first: a
// nonzero answer means handled, and the message's result is then
// DWLP_MSGRESULT (except for WM_INITDIALOG, the WM_CTLCOLOR* messages and
// the others that answer directly).
//
// Template faults (counts past the data, unterminated texts, controls of
// classes nobody registered) make creation fail with a null handle and the
// last error: ERROR_INVALID_DATA for damaged bytes, ERROR_CANNOT_FIND_WND_CLASS
// for a class that does not exist (or, for the dialog itself, is no dialog
// class).

#include "Platform/Win/Controls/ControlStyles.h"

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

constexpr DWORD DS_ABSALIGN = 0x01;
constexpr DWORD DS_SYSMODAL = 0x02;
constexpr DWORD DS_LOCALEDIT = 0x20;
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD DS_NOIDLEMSG = 0x100;
constexpr DWORD DS_SETFOREGROUND = 0x200;
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD DS_NOFAILCREATE = 0x0010;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD DS_CENTERMOUSE = 0x1000;
constexpr DWORD DS_CONTEXTHELP = 0x2000;
constexpr DWORD DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr UINT DM_REPOSITION = WM_USER + 2;
constexpr WORD DC_HASDEFID = 0x534B;

constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr LRESULT DLGC_STATIC = 0x0100;
constexpr LRESULT DLGC_BUTTON = 0x2000;

constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = DWLP_MSGRESULT + static_cast<int>(sizeof(LRESULT));
constexpr int DWLP_USER = DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC));
constexpr int DWL_MSGRESULT = DWLP_MSGRESULT;
constexpr int DWL_DLGPROC = DWLP_DLGPROC;
constexpr int DWL_USER = DWLP_USER;
constexpr int DLGWINDOWEXTRA = 30;

// The wParam of WM_ENTERIDLE.
constexpr WPARAM MSGF_DIALOGBOX = 0;
constexpr WPARAM MSGF_MESSAGEBOX = 1;
constexpr WPARAM MSGF_MENU = 2;

#pragma pack(push, 2)
struct DLGTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    WORD cdit;
    short x;
    short y;
    short cx;
    short cy;
};
struct DLGITEMTEMPLATE {
    DWORD style;
    DWORD dwExtendedStyle;
    short x;
    short y;
    short cx;
    short cy;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(DLGITEMTEMPLATE) == 18, "the template layouts");
using LPCDLGTEMPLATEA = const DLGTEMPLATE*;
using LPDLGTEMPLATEA = DLGTEMPLATE*;

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param);
// `dialogTemplate` points at a DLGTEMPLATE or a DLGTEMPLATEEX; its size is
// not given, so the template must be whole.
HWND CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM param);
// The same for a template whose size is known: nothing past `size` bytes is
// read.
HWND CreateDialogFromBytes(HINSTANCE instance, const void* data, size_t size, HWND parent, DLGPROC proc, LPARAM param);
// The owner (the top-level window of `parent`) is disabled while the dialog
// runs. Returns the EndDialog value; -1 when the dialog cannot be made; 0
// when the loop ends on WM_QUIT (which is posted again for the caller's loop).
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param);
INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
namespace win {
// Whether EndDialog has been called for the dialog, and with what result:
// a layer running its own modal loop checks this after creation, since a
// dialog may end while it is being made (in WM_INITDIALOG).
bool DialogEnded(HWND dialog, INT_PTR* result);
} // namespace win
LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// True when `msg` was meant for the dialog (or one of its controls) and has
// been handled: dialog keys turned into focus moves and commands, the rest
// translated and dispatched.
BOOL IsDialogMessageA(HWND dialog, LPMSG msg);

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size);
BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
// `translated` is FALSE for text that is no number or does not fit.
UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
// Checks `check` and clears the other buttons of first..last.
BOOL CheckRadioButton(HWND dialog, int first, int last, int check);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
// Dialog units to pixels, in the dialog's font.
BOOL MapDialogRect(HWND dialog, LPRECT rect);
// The system font's dialog base units: width in the low word, height in the high.
LONG GetDialogBaseUnits();

// A box with a text, a caption (null: "Error"), a stock icon and the
// buttons of `type`; the default button by MB_DEFBUTTON*. Esc answers
// Cancel, or OK when OK is the only button. Without an owner the box is
// centred on the screen.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

inline HWND CreateDialogParam(HINSTANCE i, LPCSTR t, HWND p, DLGPROC d, LPARAM l)
{
    return CreateDialogParamA(i, t, p, d, l);
}
inline HWND CreateDialog(HINSTANCE i, LPCSTR t, HWND p, DLGPROC d) { return CreateDialogParamA(i, t, p, d, 0); }
inline HWND CreateDialogIndirectParam(HINSTANCE i, LPCDLGTEMPLATEA t, HWND p, DLGPROC d, LPARAM l)
{
    return CreateDialogIndirectParamA(i, t, p, d, l);
}
inline HWND CreateDialogIndirect(HINSTANCE i, LPCDLGTEMPLATEA t, HWND p, DLGPROC d)
{
    return CreateDialogIndirectParamA(i, t, p, d, 0);
}
inline INT_PTR DialogBoxParam(HINSTANCE i, LPCSTR t, HWND p, DLGPROC d, LPARAM l)
{
    return DialogBoxParamA(i, t, p, d, l);
}
inline INT_PTR DialogBox(HINSTANCE i, LPCSTR t, HWND p, DLGPROC d) { return DialogBoxParamA(i, t, p, d, 0); }
inline INT_PTR DialogBoxIndirectParam(HINSTANCE i, LPCDLGTEMPLATEA t, HWND p, DLGPROC d, LPARAM l)
{
    return DialogBoxIndirectParamA(i, t, p, d, l);
}
inline INT_PTR DialogBoxIndirect(HINSTANCE i, LPCDLGTEMPLATEA t, HWND p, DLGPROC d)
{
    return DialogBoxIndirectParamA(i, t, p, d, 0);
}
inline LRESULT DefDlgProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefDlgProcA(w, m, wp, lp); }
inline BOOL IsDialogMessage(HWND d, LPMSG m) { return IsDialogMessageA(d, m); }
inline BOOL SetDlgItemText(HWND d, int id, LPCSTR t) { return SetDlgItemTextA(d, id, t); }
inline UINT GetDlgItemText(HWND d, int id, LPSTR t, int s) { return GetDlgItemTextA(d, id, t, s); }
inline LRESULT SendDlgItemMessage(HWND d, int id, UINT m, WPARAM wp, LPARAM lp)
{
    return SendDlgItemMessageA(d, id, m, wp, lp);
}
inline int MessageBox(HWND o, LPCSTR t, LPCSTR c, UINT f) { return MessageBoxA(o, t, c, f); }
