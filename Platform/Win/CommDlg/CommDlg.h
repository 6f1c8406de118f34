#pragma once
// The common dialogs (open and save file, font), over the common controls.

#include "Platform/Win/CommCtrl/CommCtrl.h"

#include <cstddef>
#include <string>
#include <vector>

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter; // pairs of description and patterns, then a NUL
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex; // 1-based
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};
using OPENFILENAME = OPENFILENAMEA;
using LPOPENFILENAMEA = OPENFILENAMEA*;
using LPOPENFILENAME = OPENFILENAMEA*;
constexpr DWORD OPENFILENAME_SIZE_VERSION_400A = static_cast<DWORD>(offsetof(OPENFILENAMEA, pvReserved));

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_SHOWHELP = 0x00000010;
constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
constexpr DWORD OFN_ENABLETEMPLATE = 0x00000040;
constexpr DWORD OFN_ENABLETEMPLATEHANDLE = 0x00000080;
constexpr DWORD OFN_NOVALIDATE = 0x00000100;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_EXTENSIONDIFFERENT = 0x00000400;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_SHAREAWARE = 0x00004000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_NOTESTFILECREATE = 0x00010000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_NODEREFERENCELINKS = 0x00100000;
constexpr DWORD OFN_LONGNAMES = 0x00200000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;
constexpr DWORD OFN_DONTADDTORECENT = 0x02000000;

constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF;
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD CDERR_NOTEMPLATE = 0x0003;
constexpr DWORD CDERR_NOHINSTANCE = 0x0004;
constexpr DWORD CDERR_FINDRESFAILURE = 0x0006;
constexpr DWORD CDERR_NOHOOK = 0x000B;
constexpr DWORD FNERR_SUBCLASSFAILURE = 0x3001;
constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

// The standard ids of the file dialog's controls.
constexpr int stc2 = 0x0441; // "Files of type"
constexpr int stc3 = 0x0442; // "File name"
constexpr int stc4 = 0x0443; // "Look in"
constexpr int lst1 = 0x0460;
constexpr int lst2 = 0x0461; // the list of folders and files
constexpr int cmb1 = 0x0470; // the file types
constexpr int cmb2 = 0x0471; // the folder chain
constexpr int edt1 = 0x0480; // the file name
constexpr int chx1 = 0x0410;
constexpr int chx2 = 0x0411;
constexpr int stc5 = 0x0444;
constexpr int cmb3 = 0x0472;
constexpr int cmb4 = 0x0473;
constexpr int grp1 = 0x0430;
// The up-one-level button of the file dialog's tool bar (ctl1, 0x4A0).
constexpr int ID_FILEDLG_UPFOLDER = 0xA001;

// The Explorer-form open and save dialog: a folder combo, an up-one-level
// button, a list of folders then files (filtered without regard to case),
// the name field, the type combo and a size grip. TRUE with the choice in
// lpstrFile; FALSE on Cancel (CommDlgExtendedError 0) or a failure.
BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn);
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);
DWORD CommDlgExtendedError();
inline BOOL GetOpenFileName(LPOPENFILENAMEA o) { return GetOpenFileNameA(o); }
inline BOOL GetSaveFileName(LPOPENFILENAMEA o) { return GetSaveFileNameA(o); }

// The font dialog.
using LPCFHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct CHOOSEFONTA {
    DWORD lStructSize;
    HWND hwndOwner;
    HDC hDC;
    LPLOGFONTA lpLogFont;
    INT iPointSize; // tenths of a point
    DWORD Flags;
    COLORREF rgbColors;
    LPARAM lCustData;
    LPCFHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    HINSTANCE hInstance;
    LPSTR lpszStyle;
    WORD nFontType;
    WORD ___MISSING_ALIGNMENT__;
    INT nSizeMin;
    INT nSizeMax;
};
using CHOOSEFONT = CHOOSEFONTA;
using LPCHOOSEFONTA = CHOOSEFONTA*;

constexpr DWORD CF_SCREENFONTS = 0x00000001;
constexpr DWORD CF_PRINTERFONTS = 0x00000002;
constexpr DWORD CF_BOTH = CF_SCREENFONTS | CF_PRINTERFONTS;
constexpr DWORD CF_SHOWHELP = 0x00000004;
constexpr DWORD CF_ENABLEHOOK = 0x00000008;
constexpr DWORD CF_ENABLETEMPLATE = 0x00000010;
constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x00000040;
constexpr DWORD CF_USESTYLE = 0x00000080;
constexpr DWORD CF_EFFECTS = 0x00000100;
constexpr DWORD CF_LIMITSIZE = 0x00002000;
constexpr DWORD CF_FIXEDPITCHONLY = 0x00004000;
constexpr DWORD CF_FORCEFONTEXIST = 0x00010000;
constexpr DWORD CF_SCALABLEONLY = 0x00020000;
constexpr DWORD CF_TTONLY = 0x00040000;
constexpr DWORD CF_NOVERTFONTS = 0x01000000;

constexpr WORD BOLD_FONTTYPE = 0x0100;
constexpr WORD ITALIC_FONTTYPE = 0x0200;
constexpr WORD REGULAR_FONTTYPE = 0x0400;
constexpr WORD SCREEN_FONTTYPE = 0x2000;

constexpr DWORD CFERR_NOFONTS = 0x2001;
constexpr DWORD CFERR_MAXLESSTHANMIN = 0x2002;

// The font dialog's other standard ids (cmb1 face, cmb2 style, cmb3 size,
// cmb4 colour, chx1 strikeout, chx2 underline, stc5 sample).
constexpr int stc1 = 0x0440;

// Families from fontconfig, styles, sizes, effects and a sample. With
// CF_ENABLETEMPLATE the dialog is the template of hInstance (its controls
// found by the standard ids); with CF_ENABLEHOOK the hook sees each message
// first (WM_INITDIALOG after the dialog's own set-up, with the record as
// lParam) and a non-zero answer takes the message. TRUE with the choice in
// lpLogFont, iPointSize, rgbColors and nFontType.
BOOL ChooseFontA(LPCHOOSEFONTA cf);
inline BOOL ChooseFont(LPCHOOSEFONTA cf) { return ChooseFontA(cf); }

// What an Explorer-form file dialog tells its hook's dialog, as WM_NOTIFY
// with an OFNOTIFYA: hdr.hwndFrom is the file dialog, lpOFN the caller's
// record. An answer other than 0 to CDN_FILEOK (DWLP_MSGRESULT) keeps the
// dialog open.
constexpr UINT CDN_FIRST = 0U - 601U;
constexpr UINT CDN_INITDONE = CDN_FIRST - 0;
constexpr UINT CDN_SELCHANGE = CDN_FIRST - 1;
constexpr UINT CDN_FOLDERCHANGE = CDN_FIRST - 2;
constexpr UINT CDN_FILEOK = CDN_FIRST - 5;
constexpr UINT CDN_TYPECHANGE = CDN_FIRST - 6;

struct OFNOTIFYA {
    NMHDR hdr;
    LPOPENFILENAMEA lpOFN;
    LPSTR pszFile;
};
using OFNOTIFY = OFNOTIFYA;
using LPOFNOTIFYA = OFNOTIFYA*;
using LPOFNOTIFY = OFNOTIFYA*;
// The dialog's read-only box (chx1) starts checked with OFN_READONLY, is
// hidden with OFN_HIDEREADONLY, and its state comes back as OFN_READONLY.
