#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "Platform/Win/User/tests/UserTestSupport.h"

namespace {

using namespace user_test;

class UserWindows : public UserTest {};

TEST_F(UserWindows, CreationSendsItsMessagesInOrder)
{
    HWND top = MakeTopLevel(RECT{10, 10, 210, 110});
    ClearLog();
    HWND child = MakeChild(top, RECT{5, 6, 55, 46}, 7);
    ASSERT_TRUE(child);
    EXPECT_EQ(MessagesOf(child, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}),
              (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));
    auto notices = ReceivedOf(WM_PARENTNOTIFY);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].window, top);
    EXPECT_EQ(notices[0].wParam, MAKEWPARAM(WM_CREATE, 7));
    auto sizes = ReceivedOf(WM_SIZE);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back().lParam, MAKELPARAM(50, 40));
}

TEST_F(UserWindows, DestroyReachesParentBeforeChildrenAndNcDestroyAfter)
{
    HWND top = MakeTopLevel(RECT{0, 0, 300, 200});
    HWND a = MakeChild(top, RECT{0, 0, 100, 100}, 1);
    HWND b = MakeChild(top, RECT{100, 0, 200, 100}, 2);
    HWND a1 = MakeChild(a, RECT{0, 0, 50, 50}, 3);
    ClearLog();
    ASSERT_TRUE(DestroyWindow(top));
    std::vector<HWND> destroyed;
    std::vector<HWND> ncDestroyed;
    for (const Received& r : ReceivedOf(WM_DESTROY))
        destroyed.push_back(r.window);
    for (const Received& r : ReceivedOf(WM_NCDESTROY))
        ncDestroyed.push_back(r.window);
    EXPECT_EQ(destroyed, (std::vector<HWND>{top, a, a1, b}));
    EXPECT_EQ(ncDestroyed, (std::vector<HWND>{a1, a, b, top}));
    for (HWND gone : {top, a, b, a1}) {
        SetLastError(0);
        EXPECT_FALSE(IsWindow(gone));
        EXPECT_EQ(GetWindowLongA(gone, GWL_STYLE), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    }
}

TEST_F(UserWindows, OwnedWindowsGoBeforeTheirOwner)
{
    HWND owner = MakeTopLevel(RECT{0, 0, 100, 100});
    HWND owned = MakeTopLevel(RECT{20, 20, 80, 80}, WS_POPUP | WS_VISIBLE, nullptr, owner);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
    EXPECT_EQ(GetParent(owned), owner);
    ClearLog();
    DestroyWindow(owner);
    auto destroyed = ReceivedOf(WM_DESTROY);
    ASSERT_EQ(destroyed.size(), 2u);
    EXPECT_EQ(destroyed[0].window, owned);
    EXPECT_EQ(destroyed[1].window, owner);
}

TEST_F(UserWindows, RefusedCreationLeavesNoWindow)
{
    // WM_NCCREATE answering FALSE, or WM_CREATE answering -1, fails the creation.
    const std::pair<UINT, LRESULT> refusals[] = {{WM_NCCREATE, FALSE}, {WM_CREATE, -1}};
    for (auto [message, answer] : refusals) {
        static UINT s_message;
        static LRESULT s_answer;
        static HWND s_seen;
        s_message = message;
        s_answer = answer;
        WNDCLASSA wc{};
        wc.lpfnWndProc = [](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            s_seen = w;
            if (m == s_message)
                return s_answer;
            return RecordingProc(w, m, wp, lp);
        };
        std::string name = "Refusing" + std::to_string(message);
        wc.lpszClassName = name.c_str();
        ASSERT_NE(RegisterClassA(&wc), 0);
        ClearLog();
        EXPECT_EQ(CreateWindowExA(0, name.c_str(), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
                  nullptr);
        EXPECT_FALSE(IsWindow(s_seen));
        EXPECT_EQ(MessagesOf(s_seen, {WM_NCDESTROY}).size(), 1u) << "message " << message;
        EXPECT_EQ(MessagesOf(s_seen, {WM_DESTROY}).size(), message == WM_CREATE ? 1u : 0u);
        EXPECT_TRUE(UnregisterClassA(name.c_str(), nullptr));
    }
}

TEST_F(UserWindows, ClassAndCreationErrorsHaveTheirCodes)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "ErrorCases";
    ASSERT_NE(RegisterClassA(&wc), 0);
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    wc.lpszClassName = "ERRORCASES";
    EXPECT_EQ(RegisterClassA(&wc), 0) << "class names ignore case";

    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(CreateWindowExA(0, "ErrorCases", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_TLW_WITH_WSCHILD);

    HWND w = CreateWindowExA(0, "errorcases", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(w);
    EXPECT_FALSE(UnregisterClassA("ErrorCases", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    char name[32];
    EXPECT_EQ(GetClassNameA(w, name, sizeof name), 10);
    EXPECT_STREQ(name, "ErrorCases");
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA("ErrorCases", nullptr));
    WNDCLASSA info{};
    EXPECT_FALSE(GetClassInfoA(nullptr, "ErrorCases", &info));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
}

TEST_F(UserWindows, WindowLongsExtraBytesAndClassLongs)
{
    HWND w = MakeChild(MakeTopLevel(RECT{0, 0, 100, 100}), RECT{0, 0, 10, 10}, 1234);
    EXPECT_EQ(GetWindowLongA(w, GWL_ID), 1234);
    EXPECT_EQ(GetDlgCtrlID(w), 1234);
    EXPECT_EQ(SetWindowLongPtrA(w, GWLP_USERDATA, 0x123456789LL), 0);
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_USERDATA), 0x123456789LL);
    // The recording class has 16 extra bytes.
    SetWindowLongA(w, 4, 77);
    SetWindowLongPtrA(w, 8, -5);
    EXPECT_EQ(GetWindowLongA(w, 4), 77);
    EXPECT_EQ(GetWindowLongPtrA(w, 8), -5);
    for (int bad : {13, 16, -100}) {
        SetLastError(0);
        EXPECT_EQ(GetWindowLongA(w, bad), 0);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX) << bad;
    }
    EXPECT_EQ(SetWindowLongA(w, GWL_WNDPROC, 1), 0) << "a procedure does not fit 32 bits";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&RecordingProc));

    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    ULONG_PTR old = SetClassLongA(w, GCL_HBRBACKGROUND, static_cast<LONG>(reinterpret_cast<LONG_PTR>(brush)));
    EXPECT_EQ(GetClassLongPtrA(w, GCLP_HBRBACKGROUND), reinterpret_cast<ULONG_PTR>(brush));
    SetClassLongPtrA(w, GCLP_HBRBACKGROUND, static_cast<LONG_PTR>(old));
    DeleteObject(brush);
}

TEST_F(UserWindows, StyleChangesAreAnnounced)
{
    HWND w = MakeTopLevel(RECT{0, 0, 50, 50});
    ClearLog();
    LONG old = SetWindowLongA(w, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE | WS_BORDER));
    EXPECT_EQ(static_cast<DWORD>(old), WS_POPUP | WS_VISIBLE);
    EXPECT_EQ(MessagesOf(w, {WM_STYLECHANGING, WM_STYLECHANGED}),
              (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)), WS_POPUP | WS_VISIBLE | WS_BORDER);
}

TEST_F(UserWindows, PropertiesAreKeptByNameIgnoringCase)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    int a = 0;
    int b = 0;
    EXPECT_TRUE(SetPropA(w, "Skin", &a));
    EXPECT_TRUE(SetPropA(w, "skin", &b));
    EXPECT_EQ(GetPropA(w, "SKIN"), &b);
    EXPECT_EQ(RemovePropA(w, "Skin"), &b);
    EXPECT_EQ(GetPropA(w, "Skin"), nullptr);
}

TEST_F(UserWindows, TextGoesThroughTheTextMessages)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    ClearLog();
    EXPECT_TRUE(SetWindowTextA(w, "Kestrelon"));
    EXPECT_EQ(GetWindowTextLengthA(w), 9);
    char small[5];
    EXPECT_EQ(GetWindowTextA(w, small, sizeof small), 4);
    EXPECT_STREQ(small, "Kest");
    EXPECT_EQ(MessagesOf(w, {WM_SETTEXT, WM_GETTEXTLENGTH, WM_GETTEXT}),
              (std::vector<UINT>{WM_SETTEXT, WM_GETTEXTLENGTH, WM_GETTEXT}));
}

std::vector<HWND> TopLevelOrder(std::initializer_list<HWND> ours)
{
    std::vector<HWND> order;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
        if (std::find(ours.begin(), ours.end(), w) != ours.end())
            order.push_back(w);
    return order;
}

TEST_F(UserWindows, ZOrderFollowsSetWindowPosAndKeepsTopmostAbove)
{
    HWND a = MakeTopLevel(RECT{0, 0, 10, 10});
    HWND b = MakeTopLevel(RECT{0, 0, 10, 10});
    HWND c = MakeTopLevel(RECT{0, 0, 10, 10});
    EXPECT_EQ(TopLevelOrder({a, b, c}), (std::vector<HWND>{c, b, a}));
    SetWindowPos(c, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(TopLevelOrder({a, b, c}), (std::vector<HWND>{b, a, c}));
    SetWindowPos(a, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(TopLevelOrder({a, b, c}), (std::vector<HWND>{a, c, b}));
    EXPECT_TRUE(GetWindowLongA(a, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(b, a, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(TopLevelOrder({a, b, c}), (std::vector<HWND>{a, b, c}));
}

TEST_F(UserWindows, ChildrenKeepCreationOrderAndTheirRelations)
{
    HWND top = MakeTopLevel(RECT{0, 0, 100, 100});
    HWND first = MakeChild(top, RECT{0, 0, 10, 10}, 11);
    HWND second = MakeChild(top, RECT{0, 0, 10, 10}, 12);
    HWND inner = MakeChild(first, RECT{0, 0, 5, 5}, 13);
    EXPECT_EQ(GetWindow(top, GW_CHILD), first);
    EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
    EXPECT_EQ(GetWindow(second, GW_HWNDPREV), first);
    EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(GetWindow(first, GW_HWNDLAST), second);
    EXPECT_EQ(GetDlgItem(top, 12), second);
    EXPECT_EQ(GetDlgItem(top, 13), nullptr) << "only direct children";
    EXPECT_EQ(GetParent(inner), first);
    EXPECT_EQ(GetParent(top), nullptr);
    EXPECT_EQ(GetAncestor(inner, GA_ROOT), top);
    EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(IsChild(top, inner));
    EXPECT_FALSE(IsChild(second, inner));

    std::vector<HWND> all;
    EnumChildWindows(top, [](HWND w, LPARAM p) {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&all));
    EXPECT_EQ(all, (std::vector<HWND>{first, inner, second}));

    EXPECT_EQ(SetParent(inner, second), first);
    EXPECT_EQ(GetParent(inner), second);
    SetLastError(0);
    EXPECT_EQ(SetParent(top, inner), nullptr) << "a window cannot go below its own child";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(UserWindows, FindWindowMatchesClassAndTitleIgnoringCase)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Kestrelon Find";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "Kestrelon Find", "Main Title", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                             nullptr);
    EXPECT_EQ(FindWindowA("kestrelon find", nullptr), w);
    EXPECT_EQ(FindWindowA(nullptr, "MAIN TITLE"), w);
    EXPECT_EQ(FindWindowA("Kestrelon Find", "other"), nullptr);
    DestroyWindow(w);
    EXPECT_EQ(FindWindowA("Kestrelon Find", nullptr), nullptr);
}

TEST_F(UserWindows, SetWindowPosAnnouncesChangesAndDefaultSendsMoveAndSize)
{
    HWND top = MakeTopLevel(RECT{0, 0, 200, 200});
    HWND w = MakeChild(top, RECT{10, 10, 60, 60}, 1);
    ClearLog();
    SetWindowPos(w, nullptr, 20, 30, 70, 40, SWP_NOZORDER);
    EXPECT_EQ(MessagesOf(w, {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
              (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}));
    EXPECT_EQ(ReceivedOf(WM_MOVE).back().lParam, MAKELPARAM(20, 30));
    EXPECT_EQ(ReceivedOf(WM_SIZE).back().lParam, MAKELPARAM(70, 40));
    ClearLog();
    SetWindowPos(w, nullptr, 0, 0, 90, 40, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(MessagesOf(w, {WM_MOVE, WM_SIZE}), (std::vector<UINT>{WM_SIZE}));
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.right, 110);
}

TEST_F(UserWindows, ClientAreaAndCoordinatesFollowTheFrame)
{
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    RECT wanted{0, 0, 300, 200};
    ASSERT_TRUE(AdjustWindowRectEx(&wanted, style, FALSE, 0));
    EXPECT_EQ(wanted.top, -GetSystemMetrics(SM_CYCAPTION) - GetSystemMetrics(SM_CYDLGFRAME));
    HWND w = CreateWindowExA(0, RecordingClass(), "framed", style, 100, 50, wanted.right - wanted.left,
                             wanted.bottom - wanted.top, nullptr, nullptr, nullptr, nullptr);
    RECT client{};
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    POINT p{0, 0};
    ClientToScreen(w, &p);
    EXPECT_EQ(p.x, 100 + GetSystemMetrics(SM_CXDLGFRAME));
    EXPECT_EQ(p.y, 50 + GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION));

    HWND child = MakeChild(w, RECT{10, 20, 60, 70}, 1);
    POINT q{5, 5};
    int offsets = MapWindowPoints(child, w, &q, 1);
    EXPECT_EQ(q.x, 15);
    EXPECT_EQ(q.y, 25);
    EXPECT_EQ(offsets, static_cast<int>(MAKELONG(10, 20)));
    POINT screen{p.x + 30, p.y + 40};
    EXPECT_EQ(WindowFromPoint(screen), child);
    EXPECT_EQ(ChildWindowFromPoint(w, POINT{30, 40}), child);
    EXPECT_EQ(ChildWindowFromPoint(w, POINT{200, 150}), w);
    EXPECT_EQ(ChildWindowFromPoint(w, POINT{-50, 0}), nullptr);
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(150, 55)), HTCAPTION);
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, MAKELPARAM(p.x + 1, p.y + 1)), HTCLIENT);
}

TEST_F(UserWindows, ShowAndEnableAnnounceChanges)
{
    HWND top = MakeTopLevel(RECT{0, 0, 100, 100}, WS_POPUP);
    HWND child = MakeChild(top, RECT{0, 0, 10, 10}, 1);
    EXPECT_FALSE(IsWindowVisible(child)) << "a hidden parent hides its children";
    ClearLog();
    EXPECT_FALSE(ShowWindow(top, SW_SHOW));
    EXPECT_TRUE(ShowWindow(top, SW_SHOW));
    EXPECT_EQ(MessagesOf(top, {WM_SHOWWINDOW}).size(), 1u);
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_FALSE(EnableWindow(child, FALSE));
    EXPECT_TRUE(EnableWindow(child, TRUE)) << "reports that it was disabled";
    EXPECT_EQ(MessagesOf(child, {WM_ENABLE}).size(), 2u);
    EXPECT_TRUE(IsWindowEnabled(child));
}

TEST_F(UserWindows, OnlyTheOwnerThreadDestroysAWindow)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    BOOL result = TRUE;
    DWORD error = 0;
    std::thread([&] {
        result = DestroyWindow(w);
        error = GetLastError();
    }).join();
    EXPECT_FALSE(result);
    EXPECT_EQ(error, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(IsWindow(w));
}

TEST_F(UserWindows, RegisteredMessagesShareOneIdPerName)
{
    UINT a = RegisterWindowMessageA("Kestrelon.Refresh");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(RegisterWindowMessageA("kestrelon.refresh"), a);
    EXPECT_NE(RegisterWindowMessageA("Kestrelon.Other"), a);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);
}

TEST_F(UserWindows, DesktopCloseRequestGoesToTheMainWindow)
{
    win::user::SetMainWindow(nullptr);
    EXPECT_FALSE(win::user::RequestClose()) << "no window, nobody to ask";
    HWND main = MakeTopLevel(RECT{0, 0, 10, 10});
    MakeTopLevel(RECT{0, 0, 10, 10}, WS_POPUP | WS_VISIBLE, nullptr, main);
    MakeTopLevel(RECT{0, 0, 10, 10});
    EXPECT_EQ(win::user::GetMainWindow(), main) << "the oldest visible window without owner";
    EXPECT_TRUE(win::user::RequestClose());
    PumpUntilIdle();
    EXPECT_FALSE(IsWindow(main)) << "WM_CLOSE reached it and DefWindowProc destroyed it";
}

TEST_F(UserWindows, ScreenSizeChangesAreAnnounced)
{
    HWND w = MakeTopLevel(RECT{0, 0, 10, 10});
    ClearLog();
    win::user::SetScreenSize(1280, 1024);
    PumpUntilIdle();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(work.bottom, 1024);
    auto changes = ReceivedOf(WM_DISPLAYCHANGE);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].window, w);
    EXPECT_EQ(changes[0].wParam, 32u);
    EXPECT_EQ(changes[0].lParam, MAKELPARAM(1280, 1024));
    win::user::SetScreenSize(1024, 768);
}

} // namespace
