#include "Win32/Toolkit/PopupMenu.h"

#include <algorithm>
#include <cstring>

#include "Win32/Toolkit/SkinBitmaps.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr int kItemSkin = 554;
constexpr int kSeparatorTile = 611;
constexpr int kCheckOnBackground = 910;
constexpr int kCheckOnSelection = 939;
constexpr int kBackground = 473;
constexpr int kSeparatorInset = 5;
constexpr int kAcceleratorInset = 10;
constexpr int kCheckWidth = 11;
constexpr int kCheckLeft = 2;
constexpr int kCheckTop = 7;
// Item rectangles are limited to this corner.
constexpr LONG kMaxRight = 1000;
constexpr LONG kMaxBottom = 800;
constexpr COLORREF kDisabledText = 0x808080;
constexpr COLORREF kSelectedText = 0x000000;
// The state an item keeps when it becomes owner-drawn.
constexpr UINT kKeptState = MF_CHECKED | MF_GRAYED | MF_DISABLED;

// Puts a DC's font, text colour and background mode back as they were.
class DcState {
public:
    explicit DcState(CDC& dc)
        : m_dc(dc), m_font(GetCurrentObject(dc.m_hDC, OBJ_FONT)), m_colour(dc.GetTextColor()), m_mode(dc.GetBkMode())
    {
    }
    ~DcState()
    {
        m_dc.SelectObject(m_font);
        m_dc.SetTextColor(m_colour);
        m_dc.SetBkMode(m_mode);
    }
    DcState(const DcState&) = delete;
    DcState& operator=(const DcState&) = delete;

private:
    CDC& m_dc;
    HGDIOBJ m_font;
    COLORREF m_colour;
    int m_mode;
};

} // namespace

KLMenu::KLMenu()
{
    std::memset(m_items, 0, sizeof m_items);
    CResourceSwitch bitmaps(kResourceBitmaps);
    m_itemSkin.SetBitmapId(kItemSkin);
    m_itemSkin.Load();
    m_brSelection.CreateSolidBrush(kSelectionColour);
}

KLMenu::~KLMenu() = default;

void KLMenu::Measure(CDC& dc, const char* text)
{
    const CSize extent = dc.GetTextExtent(text, static_cast<int>(std::strlen(text)));
    if (extent.cx > m_nItemWidth) {
        m_nItemWidth = extent.cx;
        m_nItemHeight = extent.cy;
    }
}

int KLMenu::PrepareItems(CMenu* menu, int x, int y, int first)
{
    if (first == -1) {
        m_bActive = FALSE;
        return 0;
    }
    if (!menu || !menu->GetSafeHmenu() || first < 0)
        return 0;
    m_bActive = TRUE;
    const int count = std::max(static_cast<int>(menu->GetMenuItemCount()), 0);
    if (first == 0) {
        m_x = x;
        m_y = y;
        m_nTopCount = count;
        for (ItemRecord& record : m_items) {
            record.last = 0;
            record.reserved = 0;
            record.separator = 0;
        }
    }
    CWnd* desktop = CWnd::GetDesktopWindow();
    CDC* dc = desktop ? desktop->GetDC() : nullptr;
    // Records used by the items so far and by their submenus: an item's
    // index counts every record used before it.
    int used = 0;
    for (int j = 0; j < count; ++j) {
        const int index = first + used;
        // The table is full: this item and the ones after it stay as they
        // are and the menu layer draws them.
        if (index >= kMaxItems)
            break;
        ItemRecord& record = m_items[index];
        const UINT state = menu->GetMenuState(static_cast<UINT>(j), MF_BYPOSITION);
        const UINT kept = state == static_cast<UINT>(-1) ? 0 : state & kKeptState;
        const auto data = reinterpret_cast<LPCSTR>(static_cast<UINT_PTR>(index));
        ++used;
        if (state != static_cast<UINT>(-1) && (state & MF_POPUP)) {
            menu->GetMenuString(static_cast<UINT>(j), record.text, kTextSize, MF_BYPOSITION);
            if (dc)
                Measure(*dc, record.text);
            CMenu* submenu = menu->GetSubMenu(j);
            menu->ModifyMenu(static_cast<UINT>(j), MF_BYPOSITION | MF_POPUP | MF_OWNERDRAW | kept,
                             reinterpret_cast<UINT_PTR>(submenu ? submenu->GetSafeHmenu() : nullptr), data);
            used += PrepareItems(submenu, x, y, index + 1);
        } else if (state != static_cast<UINT>(-1) && (state & MF_SEPARATOR)) {
            record.separator = 1;
            record.text[0] = '\0';
            menu->ModifyMenu(static_cast<UINT>(j), MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW,
                             menu->GetMenuItemID(j), data);
        } else {
            const UINT id = menu->GetMenuItemID(j);
            menu->GetMenuString(id, record.text, kTextSize, MF_BYCOMMAND);
            if (dc)
                Measure(*dc, record.text);
            menu->ModifyMenu(static_cast<UINT>(j), MF_BYPOSITION | MF_OWNERDRAW | kept, id, data);
        }
        record.reserved = 0;
        record.last = j == count - 1;
    }
    if (dc)
        desktop->ReleaseDC(dc);
    return used;
}

void KLMenu::MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    if (!lpMeasureItemStruct || lpMeasureItemStruct->CtlType != ODT_MENU)
        return;
    lpMeasureItemStruct->itemWidth = static_cast<UINT>(std::max(m_nItemWidth, 0));
    int height = m_nItemHeight + 4;
    const ULONG_PTR data = lpMeasureItemStruct->itemData;
    // A menu of separators alone measured no text: its lines keep a height.
    if (data < kMaxItems && m_items[data].separator)
        height = std::max(m_nItemHeight - 6, 2);
    lpMeasureItemStruct->itemHeight = static_cast<UINT>(std::max(height, 1));
}

CString KLMenu::ItemText(ULONG_PTR data) const
{
    if (data >= kFirstRecentFile) {
        CString key;
        key.Format("File%d", static_cast<int>(data - (kFirstRecentFile - 1)));
        CWinApp* app = AfxGetApp();
        CString path = app ? app->GetProfileString("Recent File List", key, key) : key;
        StripToFileName(path);
        return path;
    }
    return data < kMaxItems ? CString(m_items[data].text) : CString();
}

void KLMenu::DrawSeparator(CDC& dc, const CRect& rect)
{
    if (CFrameBitmap* background = GetSkinFrameBitmap(kBackground))
        background->DrawFill(&dc, &rect);
    CBitmap tile;
    if (!LoadSkinBitmap(tile, kSeparatorTile))
        return;
    const CSize size = SkinBitmapSize(tile);
    if (size.cx <= 0 || size.cy <= 0)
        return;
    const int left = rect.left + kSeparatorInset;
    const int right = rect.right - kSeparatorInset;
    const int top = rect.top + (rect.Height() - size.cy) / 2;
    for (int x = left; x < right; x += size.cx)
        CopySkinBitmap(dc, tile, CPoint(x, top), CSize(std::min<int>(size.cx, right - x), size.cy));
}

void KLMenu::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (!lpDrawItemStruct || lpDrawItemStruct->CtlType != ODT_MENU)
        return;
    CDC* dc = CDC::FromHandle(lpDrawItemStruct->hDC);
    if (!dc)
        return;
    const UINT itemState = lpDrawItemStruct->itemState;
    const ULONG_PTR data = lpDrawItemStruct->itemData;
    CRect rect = lpDrawItemStruct->rcItem;
    rect.right = std::min(rect.right, kMaxRight);
    rect.bottom = std::min(rect.bottom, kMaxBottom);
    if (data < kMaxItems && m_items[data].separator) {
        DrawSeparator(*dc, rect);
        return;
    }
    const CString text = ItemText(data);
    if (data < kMaxItems && m_items[data].last)
        rect.bottom += 2;

    DcState saved(*dc);
    CSkinState& skin = GetSkinState();
    if (skin.m_fontUI.m_hObject)
        dc->SelectObject(skin.m_fontUI.m_hObject);
    const bool selected = (itemState & ODS_SELECTED) != 0;
    if (selected) {
        dc->FillRect(&rect, &m_brSelection);
        m_itemSkin.DrawFrame(dc, &rect);
    } else if (CFrameBitmap* background = GetSkinFrameBitmap(kBackground)) {
        background->DrawFill(dc, &rect);
    }
    TEXTMETRICA metrics{};
    dc->GetTextMetrics(&metrics);
    CRect textRect = rect;
    textRect.left += 2 * metrics.tmAveCharWidth + 6;
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor((itemState & ODS_DISABLED) ? kDisabledText : selected ? kSelectedText : skin.m_crDialogText);

    const int tab = text.Find('\t');
    const CString label = tab < 0 ? text : text.Left(tab);
    const CString accelerator = tab < 0 ? CString() : text.Mid(tab + 1);

    if (itemState & ODS_CHECKED) {
        CBitmap check;
        if (LoadSkinBitmap(check, selected ? kCheckOnSelection : kCheckOnBackground)) {
            const CRect& item = lpDrawItemStruct->rcItem;
            CopySkinBitmap(*dc, check, CPoint(item.left + kCheckLeft, item.top + kCheckTop),
                           CSize(kCheckWidth, m_nItemHeight - 7));
        }
    }
    dc->DrawText(label, &textRect, DT_VCENTER | DT_SINGLELINE);
    if (tab >= 0) {
        CRect acceleratorRect = textRect;
        acceleratorRect.right -= kAcceleratorInset;
        dc->DrawText(accelerator, &acceleratorRect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
}
