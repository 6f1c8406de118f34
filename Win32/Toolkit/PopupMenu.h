#pragma once
// KLMenu paints a tracked popup menu in the skin. Before the popup is
// tracked, PrepareItems makes every item of the menu and of its submenus
// owner-drawn, its item data an index into the object's table of 80 item
// records (a submenu's records follow the item that opens it, and the
// menu's later items are numbered after them); the window that tracks the
// popup hands its WM_MEASUREITEM and WM_DRAWITEM of menus (ODT_MENU) to
// MeasureItem and DrawItem. Items beyond the 80th record are left as they
// are, so the menu layer draws them in its own look.
//
// Item data from 57616 up are the recent-file entries of the main menu
// (file n = data - 57615), which the application makes owner-drawn
// itself: they are drawn with the file name of the profile's
// "Recent File List" entry "File<n>".
//
// One object per tracked popup: it must live while the popup is shown.
// Colours, the UI font and the background come from the skin state; the
// selection frame 554, the separator 611 and the check marks 939 (on the
// selection) and 910 from the bitmap module. UI thread only.

#include "Platform/Mfc/Mfc.h"
#include "Win32/Toolkit/FrameBitmap.h"

class KLMenu {
public:
    static constexpr int kMaxItems = 80;
    static constexpr int kTextSize = 40;
    static constexpr UINT kFirstRecentFile = 57616;
    static constexpr COLORREF kSelectionColour = 0xBBBBA6;

    struct ItemRecord {
        int last;
        int reserved;
        int separator;
        char text[kTextSize];
    };

    KLMenu();
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    virtual ~KLMenu();
    KLMenu(const KLMenu&) = delete;
    KLMenu& operator=(const KLMenu&) = delete;

    // Makes the items of `menu` owner-drawn from record `first` on (0
    // starts a new popup at the screen point x, y) and returns the number
    // of records they and their submenus use. -1 only ends the prepared
    // state and returns 0.
    int PrepareItems(CMenu* menu, int x, int y, int first);

    const ItemRecord& GetItem(int index) const { return m_items[index]; }
    int GetItemWidth() const { return m_nItemWidth; }
    int GetItemHeight() const { return m_nItemHeight; }
    int GetTopCount() const { return m_nTopCount; }
    BOOL IsActive() const { return m_bActive; }

private:
    // The text an item shows: a recent file's name, or its record's text.
    CString ItemText(ULONG_PTR data) const;
    void DrawSeparator(CDC& dc, const CRect& rect);
    void Measure(CDC& dc, const char* text);

    ItemRecord m_items[kMaxItems];
    int m_nItemWidth = 0;
    int m_nItemHeight = 0;
    int m_x = 0;
    int m_y = 0;
    int m_nReserved = 0;
    int m_nTopCount = 0;
    BOOL m_bActive = FALSE;
    CFrameBitmap m_itemSkin;
    CBrush m_brSelection;
};
