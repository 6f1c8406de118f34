#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Win32/Toolkit/PopupMenu.h"
#include "Win32/Toolkit/tests/ControlsTestSupport.h"
#include "Win32/Toolkit/tests/SkinFixtures.h"

namespace {

using namespace dialog_test;

// The frame that tracks the fixture popups: it hands the menu messages to
// its KLMenu, as the main frame does, and keeps what it handed over.
class MenuFrame : public CWnd {
public:
    KLMenu* menu = nullptr;
    std::vector<MEASUREITEMSTRUCT> measured;
    std::vector<DRAWITEMSTRUCT> drawn;

protected:
    afx_msg void OnMeasureItem(int, LPMEASUREITEMSTRUCT item)
    {
        menu->MeasureItem(item);
        measured.push_back(*item);
    }
    afx_msg void OnDrawItem(int, LPDRAWITEMSTRUCT item)
    {
        menu->DrawItem(item);
        drawn.push_back(*item);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MenuFrame, CWnd)
    ON_WM_MEASUREITEM()
    ON_WM_DRAWITEM()
END_MESSAGE_MAP()

std::function<void(HWND)>* g_act = nullptr;

void CALLBACK ActOnPopup(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = FindWindowA("#32768", nullptr);
    if (!g_act || !popup || !IsWindowVisible(popup))
        return;
    KillTimer(nullptr, id);
    UpdateWindow(popup);
    (*g_act)(popup);
    g_act = nullptr;
    // After the act's own keys: each Esc closes one level of the popup.
    for (int level = 0; level < 3; ++level)
        PressKey(VK_ESCAPE);
}

struct Item {
    const char* text;
    UINT id = 0;                // 0 with a text: a submenu of `children`
    std::vector<Item> children = {};
};

HMENU Build(const std::vector<Item>& items)
{
    HMENU menu = CreatePopupMenu();
    for (const Item& item : items) {
        if (!item.text)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else if (item.id == 0)
            AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(Build(item.children)), item.text);
        else
            AppendMenuA(menu, MF_STRING, item.id, item.text);
    }
    return menu;
}

MENUITEMINFOA InfoOf(HMENU menu, UINT position)
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU;
    GetMenuItemInfoA(menu, position, TRUE, &info);
    return info;
}

std::vector<COLORREF> Block(CDC& dc, int left, int top, int width, int height)
{
    std::vector<COLORREF> pixels;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            pixels.push_back(dc.GetPixel(x, y));
    return pixels;
}

std::vector<COLORREF> ArtBlock(int id, int width, int height)
{
    const skinart::Canvas art = controls_test::ControlArt(id);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(controls_test::ToColorref(art.At(x, y)));
    return pixels;
}

class PopupMenu : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        m_timings = win::user::GetInputTimings();
        win::user::InputTimings fast = m_timings;
        fast.menuShowDelay = 10;
        win::user::SetInputTimings(fast);
        ASSERT_TRUE(frame.CreateEx(0, AfxRegisterWndClass(0), "Menu Frame", WS_POPUP | WS_VISIBLE,
                                   CRect(50, 50, 450, 350), nullptr, 0));
        frame.menu = &menu;
    }
    void TearDown() override
    {
        frame.DestroyWindow();
        win::user::SetInputTimings(m_timings);
        DialogTest::TearDown();
    }

    // Prepares the popup, tracks it from the frame and runs `act` once it
    // shows, then closes it.
    void Track(HMENU popup, std::function<void(HWND)> act = [](HWND) {})
    {
        CMenu* wrapped = CMenu::FromHandle(popup);
        menu.PrepareItems(wrapped, 150, 150, 0);
        g_act = &act;
        SetTimer(nullptr, 0, 10, ActOnPopup);
        TrackPopupMenu(popup, TPM_RETURNCMD, 150, 150, 0, frame.GetSafeHwnd(), nullptr);
        g_act = nullptr;
        menu.PrepareItems(nullptr, 0, 0, -1);
    }
    const DRAWITEMSTRUCT* DrawnItem(ULONG_PTR data) const
    {
        for (const DRAWITEMSTRUCT& d : frame.drawn)
            if (d.itemData == data)
                return &d;
        return nullptr;
    }
    // The item drawn by itself on a canvas of its own.
    void DrawAlone(skin_fixtures::Canvas& canvas, ULONG_PTR data, UINT state, const RECT& r)
    {
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemState = state;
        draw.itemData = data;
        draw.hDC = canvas.dc.GetSafeHdc();
        draw.rcItem = r;
        menu.DrawItem(&draw);
    }

    KLMenu menu;
    MenuFrame frame;

private:
    win::user::InputTimings m_timings;
};

TEST_F(PopupMenu, SubmenusAreNumberedAfterTheItemThatOpensThemWithoutOverlap)
{
    HMENU popup = Build({{"Alpha", 1},
                         {"First", 0, {{"One", 11}, {"Two", 12}}},
                         {"Beta", 2},
                         {"Second", 0, {{"Three", 21}, {"Four", 22}, {"Five", 23}}},
                         {"Gamma", 3}});
    EXPECT_EQ(menu.PrepareItems(CMenu::FromHandle(popup), 10, 20, 0), 10);
    EXPECT_EQ(menu.GetTopCount(), 5);
    // (menu, position) -> record, text, last of its menu.
    HMENU first = GetSubMenu(popup, 1);
    HMENU second = GetSubMenu(popup, 3);
    struct Expected {
        HMENU menu;
        UINT position;
        ULONG_PTR record;
        const char* text;
        int last;
    } const expected[] = {
        {popup, 0, 0, "Alpha", 0},  {popup, 1, 1, "First", 0},  {first, 0, 2, "One", 0},
        {first, 1, 3, "Two", 1},    {popup, 2, 4, "Beta", 0},   {popup, 3, 5, "Second", 0},
        {second, 0, 6, "Three", 0}, {second, 1, 7, "Four", 0},  {second, 2, 8, "Five", 1},
        {popup, 4, 9, "Gamma", 1},
    };
    for (const Expected& e : expected) {
        const MENUITEMINFOA info = InfoOf(e.menu, e.position);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << e.text;
        EXPECT_EQ(info.dwItemData, e.record) << e.text;
        EXPECT_STREQ(menu.GetItem(static_cast<int>(e.record)).text, e.text);
        EXPECT_EQ(menu.GetItem(static_cast<int>(e.record)).last, e.last) << e.text;
    }
    EXPECT_EQ(GetSubMenu(popup, 1), first) << "a submenu stays with its item";
    menu.PrepareItems(nullptr, 0, 0, -1);
    Track(popup, [](HWND) { PressKey(VK_DOWN); PressKey(VK_DOWN); PressKey(VK_RIGHT); });
    std::vector<ULONG_PTR> measured;
    for (const MEASUREITEMSTRUCT& m : frame.measured)
        measured.push_back(m.itemData);
    EXPECT_EQ(measured, (std::vector<ULONG_PTR>{0, 1, 4, 5, 9, 2, 3})) << "the top menu, then the opened submenu";
    DestroyMenu(popup);
}

TEST_F(PopupMenu, ASeparatorIsTenPixelsLowerThanATextItemAndShowsItsGroove)
{
    HMENU popup = Build({{"Open", 1}, {nullptr}, {"Close", 2}});
    std::vector<COLORREF> groove;
    Track(popup, [&](HWND window) {
        const DRAWITEMSTRUCT* line = DrawnItem(1);
        ASSERT_NE(line, nullptr);
        CDC* dc = window ? CWnd::FromHandle(window)->GetDC() : nullptr;
        ASSERT_NE(dc, nullptr);
        const RECT& r = line->rcItem;
        const int top = r.top + (r.bottom - r.top - 2) / 2;
        groove = Block(*dc, r.left + 5, top, 16, 2);
        EXPECT_EQ(dc->GetPixel(r.left + 2, top), kDialogBack) << "the line stops 5 pixels from the edge";
        CWnd::FromHandle(window)->ReleaseDC(dc);
    });
    const DRAWITEMSTRUCT* open = DrawnItem(0);
    const DRAWITEMSTRUCT* line = DrawnItem(1);
    ASSERT_TRUE(open && line);
    EXPECT_EQ((open->rcItem.bottom - open->rcItem.top) - (line->rcItem.bottom - line->rcItem.top), 10);
    EXPECT_EQ(groove, ArtBlock(611, 16, 2));
    DestroyMenu(popup);
}

TEST_F(PopupMenu, TheLabelIsLeftAndTheAcceleratorRightAlignedTenPixelsFromTheEdge)
{
    HMENU popup = Build({{"Open\tCtrl+O", 1}, {"Exit", 2}});
    int labelLeft = -1;
    int inkRight = -1;
    RECT item{};
    Track(popup, [&](HWND window) {
        const DRAWITEMSTRUCT* open = DrawnItem(0);
        ASSERT_NE(open, nullptr);
        item = open->rcItem;
        CDC* dc = CWnd::FromHandle(window)->GetDC();
        for (int x = item.left; x < item.right; ++x)
            for (int y = item.top; y < item.bottom; ++y)
                if (dc->GetPixel(x, y) != kDialogBack) {
                    if (labelLeft < 0)
                        labelLeft = x;
                    inkRight = x;
                }
        CWnd::FromHandle(window)->ReleaseDC(dc);
    });
    CClientDC screen(nullptr);
    CFont* old = screen.SelectObject(&GetSkinState().m_fontUI);
    TEXTMETRICA metrics{};
    screen.GetTextMetrics(&metrics);
    screen.SelectObject(old);
    const int textLeft = item.left + 2 * metrics.tmAveCharWidth + 6;
    EXPECT_GE(labelLeft, textLeft);
    EXPECT_LE(labelLeft, textLeft + 2);
    EXPECT_LT(inkRight, item.right - 10);
    EXPECT_GE(inkRight, item.right - 13);
    DestroyMenu(popup);
}

TEST_F(PopupMenu, RecentFilesShowTheFileNameOfTheirProfileEntry)
{
    CWinApp app("Popup Menu Test");
    app.SetRegistryKey("Kestrelon Tests");
    app.WriteProfileString("Recent File List", "File1", "/home/ann/Clips/holiday.avi");
    app.WriteProfileString("Recent File List", "File2", nullptr);
    app.WriteProfileString("Recent File List", "File3", "");
    // Each entry draws exactly as a plain item with the expected text does.
    struct Case {
        ULONG_PTR data;
        const char* shows;
    } const cases[] = {{57616, "holiday.avi"}, {57617, "File2"}, {57618, ""}};
    const RECT r{0, 0, 200, 20};
    for (const Case& c : cases) {
        HMENU reference = Build({{c.shows, 5}, {"After", 6}});
        KLMenu plain;
        plain.PrepareItems(CMenu::FromHandle(reference), 0, 0, 0);
        skin_fixtures::Canvas entry(200, 24);
        skin_fixtures::Canvas expected(200, 24);
        DrawAlone(entry, c.data, 0, r);
        DRAWITEMSTRUCT draw{ODT_MENU, 0, 5, 0, 0, nullptr, expected.dc.GetSafeHdc(), r, 0};
        plain.DrawItem(&draw);
        EXPECT_EQ(Block(entry.dc, 0, 0, 200, 24), Block(expected.dc, 0, 0, 200, 24)) << c.shows;
        DestroyMenu(reference);
    }
    app.WriteProfileString("Recent File List", nullptr, nullptr);
}

TEST_F(PopupMenu, CheckedItemsCopyTheCheckMarkOfTheirSurface)
{
    HMENU popup = Build({{"Loop", 1}, {"Mute", 2}});
    menu.PrepareItems(CMenu::FromHandle(popup), 0, 0, 0);
    const int height = menu.GetItemHeight() - 7;
    ASSERT_GT(height, 0);
    struct Case {
        UINT state;
        int bitmap;
    } const cases[] = {{ODS_CHECKED | ODS_SELECTED, 939}, {ODS_CHECKED, 910}};
    for (const Case& c : cases) {
        skin_fixtures::Canvas canvas(200, 40);
        DrawAlone(canvas, 0, c.state, RECT{4, 3, 180, 3 + menu.GetItemHeight() + 4});
        EXPECT_EQ(Block(canvas.dc, 4 + 2, 3 + 7, 11, height), ArtBlock(c.bitmap, 11, height)) << c.bitmap;
    }
    DestroyMenu(popup);
}

TEST_F(PopupMenu, ATreeOfNinetyItemsLeavesTheItemsBeyondTheTableAsTheyWere)
{
    // Five submenus of 17 items: 90 records wanted, 80 in the table.
    std::vector<Item> top;
    for (int p = 0; p < 5; ++p) {
        Item sub{"Group", 0};
        for (int i = 0; i < 17; ++i)
            sub.children.push_back({"Entry", static_cast<UINT>(1000 + p * 100 + i)});
        top.push_back(sub);
    }
    HMENU popup = Build(top);
    EXPECT_EQ(menu.PrepareItems(CMenu::FromHandle(popup), 0, 0, 0), KLMenu::kMaxItems);
    HMENU last = GetSubMenu(popup, 4);
    EXPECT_EQ(InfoOf(popup, 4).dwItemData, 72u);
    for (UINT position = 0; position < 17; ++position) {
        const MENUITEMINFOA info = InfoOf(last, position);
        const bool inTable = position < 7;
        EXPECT_EQ((info.fType & MFT_OWNERDRAW) != 0, inTable) << position;
        if (inTable) {
            EXPECT_EQ(info.dwItemData, 73u + position);
        } else {
            char text[16] = {};
            GetMenuStringA(last, position, text, sizeof text, MF_BYPOSITION);
            EXPECT_STREQ(text, "Entry") << "a plain item keeps its text";
        }
    }
    Track(popup);
    DestroyMenu(popup);
}

TEST_F(PopupMenu, OddMenusAndTextsArePreparedSafely)
{
    EXPECT_EQ(menu.PrepareItems(nullptr, 0, 0, -1), 0);
    EXPECT_FALSE(menu.IsActive());
    HMENU empty = CreatePopupMenu();
    EXPECT_EQ(menu.PrepareItems(CMenu::FromHandle(empty), 0, 0, 0), 0);
    EXPECT_TRUE(menu.IsActive());
    DestroyMenu(empty);

    HMENU lines = Build({{nullptr}, {nullptr}});
    EXPECT_EQ(menu.PrepareItems(CMenu::FromHandle(lines), 0, 0, 0), 2);
    MEASUREITEMSTRUCT measure{ODT_MENU, 0, 0, 0, 0, 1};
    menu.MeasureItem(&measure);
    EXPECT_GE(measure.itemHeight, 1u);
    EXPECT_LT(measure.itemHeight, 100u) << "no text measured: no height below zero";
    DestroyMenu(lines);

    const std::string longText(50, 'w');
    HMENU texts = Build({{longText.c_str(), 1}, {"Label", 2}, {"Copy\tCtrl+C\tmore", 3}});
    KLMenu other;
    ASSERT_EQ(other.PrepareItems(CMenu::FromHandle(texts), 0, 0, 0), 3);
    EXPECT_EQ(std::string(other.GetItem(0).text), longText.substr(0, 39));
    for (ULONG_PTR data = 0; data < 3; ++data) {
        skin_fixtures::Canvas canvas(300, 30);
        DRAWITEMSTRUCT draw{ODT_MENU, 0, 0, 0, ODS_SELECTED, nullptr, canvas.dc.GetSafeHdc(), RECT{0, 0, 300, 24},
                            data};
        other.DrawItem(&draw);
    }
    DestroyMenu(texts);
}

} // namespace
