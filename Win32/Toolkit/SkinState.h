#pragma once
// What every skinned window reads of the application: the skin colours and
// brushes, the two UI fonts, the large-fonts flag and the fourteen frame
// bitmaps of the program's skin, each pointed at its bitmap id and loaded
// on its first draw. The toolkit reaches it through GetSkinState(); the
// shell installs the application's own with SetSkinState, and until then a
// process-wide default is made on first use (its fonts read the language
// module when it is made). UI thread only.

#include "Platform/Mfc/Mfc.h"
#include "Win32/Toolkit/FrameBitmap.h"

// The bitmap ids of the fourteen frame bitmaps, in member order.
inline constexpr int kSkinFrameBitmapIds[14] = {396, 396, 487, 485, 586, 517, 518, 473, 545, 556, 544, 543, 560, 559};

class CSkinState {
public:
    // Colours and brushes as below, the fonts made (CreateUIFonts), the
    // large-fonts flag read from the desktop and the frame bitmaps given
    // their ids (nothing is loaded yet).
    CSkinState();
    virtual ~CSkinState();
    CSkinState(const CSkinState&) = delete;
    CSkinState& operator=(const CSkinState&) = delete;

    // The large UI font when the display has large fonts, else the normal one.
    CFont* GetUIFont();
    // The brush for a WM_CTLCOLOR answer of `type`; sets the DC's text
    // colour, background colour and mode as the type asks.
    HBRUSH GetCtlColorBrush(CDC* dc, CWnd* wnd, UINT type, BOOL alternate);
    // Makes the two UI fonts from the language module's font strings.
    void CreateUIFonts();
    // The first frame bitmap (in member order) pointed at `bitmapId`, or null.
    CFrameBitmap* GetFrameBitmap(int bitmapId);
    // Points the fourteen frame bitmaps at their ids, as start-up does.
    void SetFrameBitmapIds();

    COLORREF m_crButtonText = 0xCFCFCF;
    COLORREF m_crDialogText = 0xCFCFCF;
    COLORREF m_crEditText = 0x000000;
    COLORREF m_crButtonBack = 0x51505A;
    COLORREF m_crDialogBack = 0x5E5757;
    COLORREF m_crDialogBackAlt = 0x404040;
    COLORREF m_crEditBack = 0xADAD94;
    CBrush m_brEditBack;
    CBrush m_brDialogBack;
    CBrush m_brDialogBackAlt;
    CBrush m_brButtonBack;
    COLORREF m_crFrameShade[2] = {0x6B5654, 0x6B5654};
    CFrameBitmap m_frameBitmaps[14];
    CFont m_fontUI;
    CFont m_fontUILarge;
    BOOL m_bLargeFonts = FALSE;
};

// The skin state the toolkit draws with: the installed one, else the
// process-wide default (made on first use).
CSkinState& GetSkinState();
// Installs `state` (null: back to the default) and returns the one installed
// before, or null when it was the default.
CSkinState* SetSkinState(CSkinState* state);
// The frame bitmap of `bitmapId` of the current skin state; null for an id
// that is not one of the fourteen.
CFrameBitmap* GetSkinFrameBitmap(int bitmapId);
