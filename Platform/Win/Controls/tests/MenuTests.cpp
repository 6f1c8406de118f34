#include <gtest/gtest.h>

#include <cstring>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"
#include "Platform/Win/User/Extensions.h"
#include "Platform/Win/User/Icons.h"

namespace {

using namespace controls_test;

class Menus : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        m_saved = win::user::GetInputTimings();
        win::user::InputTimings fast = m_saved;
        fast.menuShowDelay = 10;
        win::user::SetInputTimings(fast);
        m_owner = MakeTopLevel(RECT{100, 100, 500, 400}, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        SetActiveWindow(m_owner);
        PumpUntilIdle();
        ClearLog();
    }
    void TearDown() override
    {
        win::user::SetInputTimings(m_saved);
        ControlsTest::TearDown();
    }
    static std::string Text(HMENU menu, UINT item, UINT flags, int size = 64)
    {
        std::string text(static_cast<size_t>(size), '\0');
        int got = GetMenuStringA(menu, item, text.data(), size, flags);
        text.resize(static_cast<size_t>(got));
        return text;
    }
    win::user::InputTimings m_saved;
    HWND m_owner = nullptr;
};

TEST_F(Menus, ItemCallsBuildAndReadAMenu)
{
    HMENU menu = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    ASSERT_TRUE(AppendMenuA(sub, MF_STRING, 300, "Inner"));
    ASSERT_TRUE(AppendMenuA(menu, MF_STRING, 100, "&Open\tCtrl+O"));
    ASSERT_TRUE(AppendMenuA(menu, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&More"));
    ASSERT_TRUE(AppendMenuA(menu, MF_STRING | MF_GRAYED, 200, "Gone"));
    ASSERT_TRUE(InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, 50, "First"));
    EXPECT_EQ(GetMenuItemCount(menu), 5);
    EXPECT_EQ(GetMenuItemID(menu, 0), 50u);
    EXPECT_EQ(GetMenuItemID(menu, 3), static_cast<UINT>(-1)) << "a submenu item has no id";
    EXPECT_EQ(GetMenuState(menu, 2, MF_BYPOSITION), MF_SEPARATOR);
    EXPECT_EQ(GetMenuState(menu, 3, MF_BYPOSITION), MF_POPUP | (1u << 8)) << "a popup reports its item count";
    EXPECT_EQ(GetMenuState(menu, 200, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_EQ(GetMenuState(menu, 999, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(Text(menu, 1, MF_BYPOSITION), "&Open\tCtrl+O");
    EXPECT_EQ(Text(menu, 300, MF_BYCOMMAND), "Inner") << "by command reaches into submenus";
    EXPECT_EQ(Text(menu, 100, MF_BYCOMMAND, 4), "&Op") << "cut to the buffer";
    EXPECT_EQ(GetSubMenu(menu, 3), sub);
    EXPECT_EQ(EnableMenuItem(menu, 200, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(EnableMenuItem(menu, 200, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(EnableMenuItem(menu, 999, MF_BYCOMMAND | MF_GRAYED), static_cast<DWORD>(-1));
    EXPECT_EQ(CheckMenuItem(menu, 100, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_EQ(GetMenuState(menu, 100, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    ASSERT_TRUE(ModifyMenuA(menu, 100, MF_BYCOMMAND | MF_OWNERDRAW, 100, reinterpret_cast<LPCSTR>(0x1234)));
    MENUITEMINFOA info{sizeof info, MIIM_DATA | MIIM_FTYPE, 0, 0, 0, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr};
    ASSERT_TRUE(GetMenuItemInfoA(menu, 100, FALSE, &info));
    EXPECT_EQ(info.dwItemData, 0x1234u);
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
    MENUITEMINFOA text{sizeof text, MIIM_STRING, 0, 0, 0, nullptr, nullptr, nullptr, 0,
                       const_cast<LPSTR>("Renamed"), 0, nullptr};
    ASSERT_TRUE(SetMenuItemInfoA(menu, 50, FALSE, &text));
    EXPECT_EQ(Text(menu, 50, MF_BYCOMMAND), "Renamed");
    EXPECT_TRUE(RemoveMenu(menu, 3, MF_BYPOSITION));
    EXPECT_TRUE(IsMenu(sub)) << "RemoveMenu keeps the submenu";
    EXPECT_TRUE(AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Again"));
    EXPECT_TRUE(DeleteMenu(menu, 4, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(sub)) << "DeleteMenu destroys it";
    EXPECT_FALSE(DeleteMenu(menu, 999, MF_BYCOMMAND));
    EXPECT_TRUE(DestroyMenu(menu));
    SetLastError(0);
    EXPECT_EQ(GetMenuItemCount(menu), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE) << "a stale handle fails cleanly";
}

TEST_F(Menus, LoadMenuBuildsTheFixtureMenu)
{
    HMENU menu = LoadMenuA(Fixture(), MAKEINTRESOURCEA(128));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 2);
    HMENU file = GetSubMenu(menu, 0);
    EXPECT_EQ(Text(menu, 0, MF_BYPOSITION), "&File");
    EXPECT_EQ(GetMenuItemCount(file), 5);
    EXPECT_EQ(Text(file, 0, MF_BYPOSITION), "&New\tCtrl+N");
    EXPECT_EQ(GetMenuItemID(file, 0), 57600u);
    EXPECT_EQ(GetMenuState(file, 3, MF_BYPOSITION), MF_SEPARATOR);
    EXPECT_EQ(GetMenuState(file, 57665, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(file, 2)), 2);
    EXPECT_EQ(GetMenuState(menu, 57634, MF_BYCOMMAND), MF_CHECKED);
    DestroyMenu(menu);
}

TEST_F(Menus, TheTemplateReaderRefusesTruncationsAndReadsMenuEx)
{
    win::ResourceBytes bytes = win::FindMenuTemplate(Fixture(), MAKEINTRESOURCEA(128));
    ASSERT_TRUE(bytes);
    std::vector<win::MenuTemplateItem> items;
    EXPECT_TRUE(win::ReadMenuTemplate(bytes.data, bytes.size, &items));
    for (size_t cut = 0; cut + 1 < bytes.size; ++cut)
        EXPECT_FALSE(win::ReadMenuTemplate(bytes.data, cut, &items)) << cut;
    SetLastError(0);
    EXPECT_EQ(LoadMenuFromBytes(bytes.data, bytes.size / 2), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    // A MENUEX template: version 1, offset 4, help id, one item "X" id 9.
    const BYTE ex[] = {1, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0x80, 0, 'X', 0, 0, 0};
    ASSERT_TRUE(win::ReadMenuTemplate(ex, sizeof ex, &items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].id, 9u);
    EXPECT_EQ(items[0].text, "X");
}

// Input from a timer once the popup is up; `look` sees it first.
struct Drive {
    std::function<void(HWND popup)> act;
    // Waits for the menu loop's first WM_ENTERIDLE to the (recording) owner:
    // on a busy machine the timer can be due before the loop ever idles.
    bool afterIdle = false;
    bool done = false;
};
Drive* g_drive = nullptr;

void CALLBACK DriveTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = FindWindowA("#32768", nullptr);
    if (!g_drive || g_drive->done || !popup || !IsWindowVisible(popup))
        return;
    if (g_drive->afterIdle && ReceivedOf(WM_ENTERIDLE).empty())
        return;
    KillTimer(nullptr, id);
    g_drive->done = true;
    g_drive->act(popup);
}

BOOL Track(HMENU menu, UINT flags, HWND owner, std::function<void(HWND)> act, bool afterIdle = false)
{
    Drive drive{std::move(act), afterIdle};
    g_drive = &drive;
    SetTimer(nullptr, 0, 10, DriveTimer);
    BOOL result = TrackPopupMenu(menu, flags, 150, 150, 0, owner, nullptr);
    g_drive = nullptr;
    return result;
}

HMENU SimplePopup()
{
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 11, "&One");
    AppendMenuA(menu, MF_STRING, 12, "&Two");
    AppendMenuA(menu, MF_STRING | MF_GRAYED, 13, "Three");
    return menu;
}

POINT ItemPoint(HWND popup, int index, int count)
{
    RECT r{};
    GetWindowRect(popup, &r);
    const LONG height = (r.bottom - r.top - 6) / count;
    return POINT{(r.left + r.right) / 2, r.top + 3 + height * index + height / 2};
}

TEST_F(Menus, KeysChooseAnItemOfATrackedPopup)
{
    HMENU menu = SimplePopup();
    EXPECT_EQ(Track(menu, TPM_RETURNCMD, m_owner, [](HWND) {
                  Key(VK_DOWN);
                  Key(VK_DOWN);
                  Key(VK_RETURN);
              }),
              12);
    EXPECT_EQ(Track(menu, TPM_RETURNCMD, m_owner, [](HWND) { Key('O'); }), 11) << "a mnemonic chooses at once";
    EXPECT_EQ(Track(menu, TPM_RETURNCMD, m_owner, [](HWND) { Key(VK_ESCAPE); }), 0);
    EXPECT_EQ(Track(menu, TPM_RETURNCMD, m_owner, [](HWND) {
                  Key(VK_UP);
                  Key(VK_RETURN);
                  Key(VK_ESCAPE);
              }),
              0)
        << "a greyed item is not chosen";
    EXPECT_EQ(FindWindowA("#32768", nullptr), nullptr) << "the popup is gone";
    DestroyMenu(menu);
}

TEST_F(Menus, TheOwnerHearsTheMenuLoopAndGetsTheCommand)
{
    HMENU menu = SimplePopup();
    EXPECT_TRUE(Track(menu, 0, m_owner, [](HWND popup) { ClickAt(ItemPoint(popup, 1, 3)); }, true));
    PumpUntilIdle();
    const std::vector<UINT> loop =
        MessagesOf(m_owner, {WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP, WM_UNINITMENUPOPUP, WM_EXITMENULOOP,
                             WM_COMMAND});
    EXPECT_EQ(loop, (std::vector<UINT>{WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP, WM_UNINITMENUPOPUP,
                                       WM_EXITMENULOOP, WM_COMMAND}));
    auto commands = ReceivedOf(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, 12u);
    EXPECT_FALSE(ReceivedOf(WM_MENUSELECT).empty());
    EXPECT_FALSE(ReceivedOf(WM_ENTERIDLE).empty());
    ClearLog();
    EXPECT_FALSE(Track(menu, TPM_NONOTIFY, m_owner, [](HWND) { ClickAt(POINT{20, 20}); }))
        << "a click outside closes the menu";
    PumpUntilIdle();
    EXPECT_TRUE(MessagesOf(m_owner, {WM_INITMENUPOPUP, WM_COMMAND}).empty());
    DestroyMenu(menu);
}

TEST_F(Menus, ASubmenuOpensByKeysAndByMouse)
{
    HMENU menu = LoadMenuA(Fixture(), MAKEINTRESOURCEA(128));
    HMENU file = GetSubMenu(menu, 0);
    EXPECT_EQ(Track(file, TPM_RETURNCMD, m_owner, [](HWND) {
                  Key(VK_DOWN);
                  Key(VK_DOWN);
                  Key(VK_DOWN);
                  Key(VK_RIGHT);
                  Key(VK_DOWN);
                  Key(VK_RETURN);
              }),
              57617);
    auto popups = ReceivedOf(WM_INITMENUPOPUP);
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[1].wParam, reinterpret_cast<WPARAM>(GetSubMenu(file, 2)));
    EXPECT_EQ(LOWORD(popups[1].lParam), 2) << "the position of the item that opens it";
    EXPECT_EQ(Track(file, TPM_RETURNCMD, m_owner, [](HWND popup) {
                  // Clicking the "Recent" item opens its submenu; the submenu's first
                  // item lies beside it.
                  RECT r{};
                  GetWindowRect(popup, &r);
                  const LONG itemHeight = 19;
                  POINT recent{(r.left + r.right) / 2, r.top + 3 + 2 * itemHeight + itemHeight / 2};
                  ClickAt(recent);
                  POINT inner{r.right + 20, recent.y};
                  ClickAt(inner);
              }),
              57616);
    DestroyMenu(menu);
}

TEST_F(Menus, OwnerDrawnItemsAreMeasuredAndDrawnWithTheirData)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_OWNERDRAW, 21, reinterpret_cast<LPCSTR>(0xA1));
    AppendMenuA(menu, MF_OWNERDRAW | MF_CHECKED, 22, reinterpret_cast<LPCSTR>(0xA2));
    std::vector<MEASUREITEMSTRUCT> measured;
    std::vector<DRAWITEMSTRUCT> drawn;
    React(m_owner, [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
        if (message == WM_MEASUREITEM) {
            auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            m->itemWidth = 80;
            m->itemHeight = 22;
            measured.push_back(*m);
            *result = TRUE;
            return true;
        }
        if (message == WM_DRAWITEM) {
            drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            *result = TRUE;
            return true;
        }
        return false;
    });
    EXPECT_EQ(Track(menu, TPM_RETURNCMD, m_owner, [](HWND) {
                  Key(VK_DOWN);
                  Key(VK_DOWN);
                  Key(VK_RETURN);
              }),
              22);
    React(m_owner, nullptr);
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_EQ(measured[0].CtlType, ODT_MENU);
    EXPECT_EQ(measured[1].itemData, 0xA2u);
    ASSERT_FALSE(drawn.empty());
    bool sawSelectedChecked = false;
    for (const DRAWITEMSTRUCT& d : drawn) {
        EXPECT_EQ(d.CtlType, ODT_MENU);
        EXPECT_EQ(d.hwndItem, reinterpret_cast<HWND>(menu));
        EXPECT_EQ(d.rcItem.bottom - d.rcItem.top, 22);
        if (d.itemID == 22 && (d.itemState & ODS_SELECTED) && (d.itemState & ODS_CHECKED))
            sawSelectedChecked = d.itemData == 0xA2;
    }
    EXPECT_TRUE(sawSelectedChecked);
    DestroyMenu(menu);
}

TEST_F(Menus, OwnerDrawnSeparatorsAndPopupsKeepTheirKindAndData)
{
    HMENU menu = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, 31, "Inner");
    AppendMenuA(menu, MF_STRING, 30, "Outer");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "More");
    ASSERT_TRUE(ModifyMenuA(menu, 1, MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW, 0, reinterpret_cast<LPCSTR>(0xB1)));
    ASSERT_TRUE(ModifyMenuA(menu, 2, MF_BYPOSITION | MF_POPUP | MF_OWNERDRAW, reinterpret_cast<UINT_PTR>(sub),
                            reinterpret_cast<LPCSTR>(0xB2)));
    EXPECT_EQ(GetMenuState(menu, 1, MF_BYPOSITION), MF_SEPARATOR | MF_OWNERDRAW);
    EXPECT_EQ(GetSubMenu(menu, 2), sub) << "the submenu stays with its item";
    EXPECT_TRUE(IsMenu(sub));
    std::vector<MEASUREITEMSTRUCT> measured;
    std::vector<DRAWITEMSTRUCT> drawn;
    React(m_owner, [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
        if (message == WM_MEASUREITEM) {
            auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            m->itemWidth = 60;
            m->itemHeight = m->itemData == 0xB1 ? 5 : 20;
            measured.push_back(*m);
        } else if (message == WM_DRAWITEM) {
            drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        } else {
            return false;
        }
        *result = TRUE;
        return true;
    });
    EXPECT_EQ(Track(menu, TPM_RETURNCMD, m_owner, [](HWND) { Key(VK_ESCAPE); }, true), 0);
    React(m_owner, nullptr);
    std::vector<ULONG_PTR> data;
    for (const MEASUREITEMSTRUCT& m : measured)
        data.push_back(m.itemData);
    EXPECT_EQ(data, (std::vector<ULONG_PTR>{0xB1, 0xB2})) << "the separator and the popup are measured by the owner";
    bool separatorDrawn = false;
    for (const DRAWITEMSTRUCT& d : drawn)
        if (d.itemData == 0xB1)
            separatorDrawn = d.rcItem.bottom - d.rcItem.top == 5;
    EXPECT_TRUE(separatorDrawn) << "the separator is drawn by the owner at the height it asked for";
    DestroyMenu(menu);
}

TEST_F(Menus, TheMenuBarTakesItsBandEvenWhenEmpty)
{
    RECT before{};
    GetClientRect(m_owner, &before);
    HMENU bar = CreateMenu();
    ASSERT_TRUE(SetMenu(m_owner, bar));
    EXPECT_EQ(GetMenu(m_owner), bar);
    RECT after{};
    GetClientRect(m_owner, &after);
    EXPECT_EQ(before.bottom - after.bottom, GetSystemMetrics(SM_CYMENU));
    ASSERT_TRUE(SetMenu(m_owner, nullptr));
    GetClientRect(m_owner, &after);
    EXPECT_EQ(after.bottom, before.bottom);
    DestroyMenu(bar);
}

TEST_F(Menus, AMenuBarItemOpensItsPopupOnAClick)
{
    HMENU menu = LoadMenuA(Fixture(), MAKEINTRESOURCEA(128));
    SetMenu(m_owner, menu);
    PumpUntilIdle();
    ClearLog();
    RECT client{};
    GetClientRect(m_owner, &client);
    POINT file{12, -GetSystemMetrics(SM_CYMENU) / 2};
    ClientToScreen(m_owner, &file);
    Drive drive{[](HWND) {
        Key(VK_DOWN);
        Key(VK_RETURN);
    }};
    g_drive = &drive;
    SetTimer(nullptr, 0, 10, DriveTimer);
    ClickAt(file);
    PumpUntilIdle();
    g_drive = nullptr;
    auto commands = ReceivedOf(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, 57600u) << "Down and Enter chose the first item of File";
    EXPECT_EQ(MessagesOf(m_owner, {WM_ENTERMENULOOP})[0], WM_ENTERMENULOOP);
}

TEST_F(Menus, TheSystemMenuIsTheWindowsOwnCopy)
{
    HMENU system = GetSystemMenu(m_owner, FALSE);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(GetSystemMenu(m_owner, FALSE), system);
    EXPECT_NE(GetMenuState(system, static_cast<UINT>(SC_CLOSE), MF_BYCOMMAND), static_cast<UINT>(-1));
    for (WPARAM command : {SC_MOVE, SC_SIZE, SC_MAXIMIZE})
        EXPECT_TRUE(RemoveMenu(system, static_cast<UINT>(command), MF_BYCOMMAND));
    EXPECT_EQ(GetMenuState(system, static_cast<UINT>(SC_MOVE), MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(GetSystemMenu(m_owner, TRUE), nullptr);
    EXPECT_FALSE(IsMenu(system));
    EXPECT_NE(GetMenuState(GetSystemMenu(m_owner, FALSE), static_cast<UINT>(SC_MOVE), MF_BYCOMMAND),
              static_cast<UINT>(-1))
        << "a fresh copy after the revert";
}

class Accelerators : public Menus {};

TEST_F(Accelerators, KeysOfTheTableBecomeCommands)
{
    HACCEL table = LoadAcceleratorsA(Fixture(), MAKEINTRESOURCEA(128));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 4);
    struct Case {
        UINT modifier;
        UINT key;
        int command;
    };
    const Case cases[] = {
        {VK_CONTROL, 'N', 57600}, {0, VK_DELETE, 57632}, {VK_CONTROL, 'C', 57634}, {VK_MENU, 'O', 57601},
        {0, 'N', 0},               {VK_SHIFT, 'N', 0},
    };
    for (const Case& c : cases) {
        ClearLog();
        if (c.modifier)
            KeyWith(c.modifier, c.key);
        else
            Key(c.key);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (TranslateAcceleratorA(m_owner, table, &msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        auto commands = ReceivedOf(WM_COMMAND);
        if (!c.command) {
            EXPECT_TRUE(commands.empty()) << c.key;
            continue;
        }
        ASSERT_EQ(commands.size(), 1u) << c.key;
        EXPECT_EQ(commands[0].wParam, MAKEWPARAM(c.command, 1)) << c.key;
    }
    EXPECT_TRUE(DestroyAcceleratorTable(table));
    EXPECT_FALSE(DestroyAcceleratorTable(table));
}

TEST_F(Accelerators, AGreyedMenuCommandIsNotSent)
{
    ACCEL entries[] = {{FVIRTKEY | FCONTROL, 'X', 57665}};
    HACCEL table = CreateAcceleratorTableA(entries, 1);
    HMENU menu = LoadMenuA(Fixture(), MAKEINTRESOURCEA(128));
    SetMenu(m_owner, menu);
    MSG msg{m_owner, WM_KEYDOWN, 'X', 0, 0, {}};
    InjectKey(VK_CONTROL, true);
    PumpUntilIdle();
    EXPECT_EQ(TranslateAcceleratorA(m_owner, table, &msg), 1) << "the key is taken";
    InjectKey(VK_CONTROL, false);
    PumpUntilIdle();
    EXPECT_TRUE(ReceivedOf(WM_COMMAND).empty());
    DestroyAcceleratorTable(table);
}

TEST_F(Accelerators, DamagedTablesAreRefused)
{
    const BYTE unterminated[] = {0x09, 0, 'N', 0, 1, 0, 0, 0};
    std::vector<ACCEL> entries;
    EXPECT_FALSE(win::ReadAcceleratorTable(unterminated, sizeof unterminated, &entries));
    EXPECT_FALSE(win::ReadAcceleratorTable(unterminated, 5, &entries));
    const BYTE whole[] = {0x89, 0, 'N', 0, 1, 0, 0, 0};
    ASSERT_TRUE(win::ReadAcceleratorTable(whole, sizeof whole, &entries));
    EXPECT_EQ(entries[0].fVirt, FVIRTKEY | FCONTROL);
}

TEST_F(Menus, IconsAndCursorsLoadFromTheModule)
{
    HICON icon = LoadIconA(Fixture(), MAKEINTRESOURCEA(121));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(Fixture(), MAKEINTRESOURCEA(121)), icon) << "shared";
    win::user::IconImage image;
    ASSERT_TRUE(win::user::GetIconImage(icon, &image));
    EXPECT_EQ(image.width, GetSystemMetrics(SM_CXICON));
    HCURSOR cursor = LoadCursorA(Fixture(), MAKEINTRESOURCEA(245));
    ASSERT_NE(cursor, nullptr);
    ASSERT_TRUE(win::user::GetIconImage(cursor, &image));
    EXPECT_TRUE(image.cursor);
    EXPECT_EQ(LoadIconA(Fixture(), MAKEINTRESOURCEA(999)), nullptr);
    HANDLE own = LoadImageA(Fixture(), MAKEINTRESOURCEA(121), IMAGE_ICON, 0, 0, 0);
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(win::user::GetIconImage(static_cast<HICON>(own), &image));
    EXPECT_EQ(image.width, 1) << "its own size without LR_DEFAULTSIZE";
    EXPECT_TRUE(DestroyIcon(static_cast<HICON>(own)));
    EXPECT_FALSE(win::user::GetIconImage(static_cast<HICON>(own), &image));
    SetCursor(cursor);
    EXPECT_EQ(GetCursor(), cursor);
    EXPECT_TRUE(DestroyCursor(cursor)) << "a shared cursor stays";
}

} // namespace
