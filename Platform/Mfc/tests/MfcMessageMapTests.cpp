// Message maps: each entry's arguments decoded from the message, command
// routing through the maps, and CCmdUI updates of menu items.

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "Platform/Mfc/tests/MfcTestSupport.h"

using namespace mfc_test;

namespace {

constexpr UINT WM_PRIVATE = 0x401;
UINT g_updateMessage = RegisterWindowMessageA("Update!");

// A window whose handlers write down what they were called with. Window
// handles print as "other" (the test's second window) or "null", device
// contexts and menus as "dc" and "menu".
class CSignatureWnd : public CWnd {
public:
    std::vector<std::string> m_log;
    HWND m_other = nullptr;
    HDC m_dc = nullptr;
    HMENU m_menu = nullptr;

    void Note(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        char text[256];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        m_log.emplace_back(text);
    }
    const char* Name(const CWnd* window) const
    {
        return !window ? "null" : window->m_hWnd == m_other ? "other" : window->m_hWnd == m_hWnd ? "self" : "?";
    }
    const char* Name(const CDC* dc) const { return dc && dc->m_hDC == m_dc ? "dc" : "?"; }
    const char* Name(const CMenu* menu) const { return menu && menu->m_hMenu == m_menu ? "menu" : "?"; }

    afx_msg int OnCreate(LPCREATESTRUCT cs)
    {
        Note("OnCreate %s", cs->lpszName);
        return 0;
    }
    afx_msg void OnDestroy() { Note("OnDestroy"); }
    afx_msg LRESULT OnNcCreate(WPARAM, LPARAM)
    {
        Note("OnNcCreate");
        return Default();
    }
    afx_msg void OnSize(UINT type, int cx, int cy) { Note("OnSize %u %d %d", type, cx, cy); }
    afx_msg void OnMove(int x, int y) { Note("OnMove %d %d", x, y); }
    afx_msg void OnPaint() { Note("OnPaint"); }
    afx_msg BOOL OnEraseBkgnd(CDC* dc)
    {
        Note("OnEraseBkgnd %s", Name(dc));
        return TRUE;
    }
    afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* window, UINT type)
    {
        Note("OnCtlColor %s %s %u", Name(dc), Name(window), type);
        return static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    }
    afx_msg void OnDrawItem(int id, LPDRAWITEMSTRUCT dis) { Note("OnDrawItem %d %u", id, dis->itemID); }
    afx_msg void OnMeasureItem(int id, LPMEASUREITEMSTRUCT mis) { Note("OnMeasureItem %d %u", id, mis->itemID); }
    afx_msg int OnCompareItem(int id, LPCOMPAREITEMSTRUCT cis)
    {
        Note("OnCompareItem %d %u %u", id, cis->itemID1, cis->itemID2);
        return -1;
    }
    afx_msg void OnDeleteItem(int id, LPDELETEITEMSTRUCT dis) { Note("OnDeleteItem %d %u", id, dis->itemID); }
    afx_msg void OnTimer(UINT_PTR id) { Note("OnTimer %zu", static_cast<size_t>(id)); }
    afx_msg void OnMouseMove(UINT flags, CPoint at) { Note("OnMouseMove %u %d %d", flags, at.x, at.y); }
    afx_msg void OnLButtonDown(UINT flags, CPoint at) { Note("OnLButtonDown %u %d %d", flags, at.x, at.y); }
    afx_msg void OnLButtonUp(UINT flags, CPoint at) { Note("OnLButtonUp %u %d %d", flags, at.x, at.y); }
    afx_msg void OnLButtonDblClk(UINT flags, CPoint at) { Note("OnLButtonDblClk %u %d %d", flags, at.x, at.y); }
    afx_msg void OnRButtonDown(UINT flags, CPoint at) { Note("OnRButtonDown %u %d %d", flags, at.x, at.y); }
    afx_msg void OnRButtonUp(UINT flags, CPoint at) { Note("OnRButtonUp %u %d %d", flags, at.x, at.y); }
    afx_msg void OnRButtonDblClk(UINT flags, CPoint at) { Note("OnRButtonDblClk %u %d %d", flags, at.x, at.y); }
    afx_msg BOOL OnMouseWheel(UINT flags, short delta, CPoint at)
    {
        Note("OnMouseWheel %u %d %d %d", flags, delta, at.x, at.y);
        return TRUE;
    }
    afx_msg BOOL OnSetCursor(CWnd* window, UINT hit, UINT message)
    {
        Note("OnSetCursor %s %u %u", Name(window), hit, message);
        return TRUE;
    }
    afx_msg int OnMouseActivate(CWnd* desktop, UINT hit, UINT message)
    {
        Note("OnMouseActivate %s %u %u", Name(desktop), hit, message);
        return MA_NOACTIVATE;
    }
    afx_msg void OnCaptureChanged(CWnd* window) { Note("OnCaptureChanged %s", Name(window)); }
    afx_msg void OnKeyDown(UINT ch, UINT repeat, UINT flags) { Note("OnKeyDown %u %u %u", ch, repeat, flags); }
    afx_msg void OnKeyUp(UINT ch, UINT repeat, UINT flags) { Note("OnKeyUp %u %u %u", ch, repeat, flags); }
    afx_msg void OnChar(UINT ch, UINT repeat, UINT flags) { Note("OnChar %u %u %u", ch, repeat, flags); }
    afx_msg void OnSysKeyDown(UINT ch, UINT repeat, UINT flags) { Note("OnSysKeyDown %u %u %u", ch, repeat, flags); }
    afx_msg void OnSetFocus(CWnd* old) { Note("OnSetFocus %s", Name(old)); }
    afx_msg void OnKillFocus(CWnd* next) { Note("OnKillFocus %s", Name(next)); }
    afx_msg void OnActivate(UINT state, CWnd* other, BOOL minimized)
    {
        Note("OnActivate %u %s %d", state, Name(other), minimized);
    }
    afx_msg void OnClose() { Note("OnClose"); }
    afx_msg BOOL OnQueryEndSession()
    {
        Note("OnQueryEndSession");
        return TRUE;
    }
    afx_msg void OnGetMinMaxInfo(MINMAXINFO* info) { Note("OnGetMinMaxInfo %d", info->ptMaxSize.x); }
    afx_msg void OnHScroll(UINT code, UINT pos, CScrollBar* bar) { Note("OnHScroll %u %u %s", code, pos, Name(bar)); }
    afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* bar) { Note("OnVScroll %u %u %s", code, pos, Name(bar)); }
    afx_msg void OnNcPaint() { Note("OnNcPaint"); }
    afx_msg BOOL OnNcActivate(BOOL active)
    {
        Note("OnNcActivate %d", active);
        return TRUE;
    }
    afx_msg void OnNcLButtonDown(UINT hit, CPoint at) { Note("OnNcLButtonDown %u %d %d", hit, at.x, at.y); }
    afx_msg LRESULT OnNcHitTest(CPoint at)
    {
        Note("OnNcHitTest %d %d", at.x, at.y);
        return HTCAPTION;
    }
    afx_msg void OnEnable(BOOL enable) { Note("OnEnable %d", enable); }
    afx_msg void OnShowWindow(BOOL show, UINT status) { Note("OnShowWindow %d %u", show, status); }
    afx_msg void OnSysCommand(UINT id, LPARAM lParam) { Note("OnSysCommand %u %ld", id, static_cast<long>(lParam)); }
    afx_msg void OnDropFiles(HDROP drop) { Note("OnDropFiles %zx", reinterpret_cast<size_t>(drop)); }
    afx_msg BOOL OnDeviceChange(UINT event, DWORD_PTR data)
    {
        Note("OnDeviceChange %u %zu", event, static_cast<size_t>(data));
        return TRUE;
    }
    afx_msg void OnPaletteChanged(CWnd* focus) { Note("OnPaletteChanged %s", Name(focus)); }
    afx_msg BOOL OnQueryNewPalette()
    {
        Note("OnQueryNewPalette");
        return TRUE;
    }
    afx_msg void OnEnterIdle(UINT why, CWnd* who) { Note("OnEnterIdle %u %s", why, Name(who)); }
    afx_msg LRESULT OnMenuChar(UINT ch, UINT flags, CMenu* menu)
    {
        Note("OnMenuChar %u %u %s", ch, flags, Name(menu));
        return MAKELRESULT(0, MNC_CLOSE);
    }
    afx_msg void OnInitMenu(CMenu* menu) { Note("OnInitMenu %s", Name(menu)); }
    afx_msg void OnInitMenuPopup(CMenu* menu, UINT index, BOOL system)
    {
        Note("OnInitMenuPopup %s %u %d", Name(menu), index, system);
    }
    afx_msg void OnContextMenu(CWnd* window, CPoint at) { Note("OnContextMenu %s %d %d", Name(window), at.x, at.y); }
    afx_msg LRESULT OnPrivate(WPARAM wParam, LPARAM lParam)
    {
        Note("OnPrivate %zu %ld", static_cast<size_t>(wParam), static_cast<long>(lParam));
        return 99;
    }
    afx_msg LRESULT OnUpdate(WPARAM wParam, LPARAM)
    {
        Note("OnUpdate %zu", static_cast<size_t>(wParam));
        return 5;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSignatureWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_SIZE()
    ON_WM_MOVE()
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR()
    ON_WM_DRAWITEM()
    ON_WM_MEASUREITEM()
    ON_WM_COMPAREITEM()
    ON_WM_DELETEITEM()
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_RBUTTONDOWN()
    ON_WM_RBUTTONUP()
    ON_WM_RBUTTONDBLCLK()
    ON_WM_MOUSEWHEEL()
    ON_WM_SETCURSOR()
    ON_WM_MOUSEACTIVATE()
    ON_WM_CAPTURECHANGED()
    ON_WM_KEYDOWN()
    ON_WM_KEYUP()
    ON_WM_CHAR()
    ON_WM_SYSKEYDOWN()
    ON_WM_SETFOCUS()
    ON_WM_KILLFOCUS()
    ON_WM_ACTIVATE()
    ON_WM_CLOSE()
    ON_WM_QUERYENDSESSION()
    ON_WM_GETMINMAXINFO()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
    ON_WM_NCPAINT()
    ON_WM_NCACTIVATE()
    ON_WM_NCLBUTTONDOWN()
    ON_WM_NCHITTEST()
    ON_WM_ENABLE()
    ON_WM_SHOWWINDOW()
    ON_WM_SYSCOMMAND()
    ON_WM_DROPFILES()
    ON_WM_DEVICECHANGE()
    ON_WM_PALETTECHANGED()
    ON_WM_QUERYNEWPALETTE()
    ON_WM_ENTERIDLE()
    ON_WM_MENUCHAR()
    ON_WM_INITMENU()
    ON_WM_INITMENUPOPUP()
    ON_WM_CONTEXTMENU()
    ON_MESSAGE(WM_NCCREATE, OnNcCreate)
    ON_MESSAGE(WM_PRIVATE, OnPrivate)
    ON_REGISTERED_MESSAGE(g_updateMessage, OnUpdate)
END_MESSAGE_MAP()

struct SignatureCase {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::string expected;
    LRESULT result; // checked unless kAnyResult
};
constexpr LRESULT kAnyResult = 0x7FFF1234;

LPARAM Points(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

class MessageMapTest : public MfcTest {};

TEST_F(MessageMapTest, EveryWindowMessageEntryDecodesItsArguments)
{
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, AfxRegisterWndClass(0), "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    CSignatureWnd window;
    ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "made", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    ASSERT_FALSE(window.m_log.empty());
    EXPECT_EQ(window.m_log.front(), "OnNcCreate") << "the object has the window's first message";
    EXPECT_NE(std::find(window.m_log.begin(), window.m_log.end(), "OnCreate made"), window.m_log.end());

    window.m_other = other.m_hWnd;
    window.m_dc = reinterpret_cast<HDC>(static_cast<UINT_PTR>(0x7700));
    window.m_menu = CreatePopupMenu();
    const auto o = reinterpret_cast<WPARAM>(other.m_hWnd);
    const auto ol = reinterpret_cast<LPARAM>(other.m_hWnd);
    const auto dc = reinterpret_cast<WPARAM>(window.m_dc);
    const auto menu = reinterpret_cast<WPARAM>(window.m_menu);
    CREATESTRUCTA create{};
    create.lpszName = "again";
    DRAWITEMSTRUCT draw{};
    draw.itemID = 11;
    MEASUREITEMSTRUCT measure{};
    measure.itemID = 12;
    COMPAREITEMSTRUCT compare{};
    compare.itemID1 = 1;
    compare.itemID2 = 2;
    DELETEITEMSTRUCT deleted{};
    deleted.itemID = 13;
    MINMAXINFO minMax{};
    minMax.ptMaxSize.x = 321;
    const HBRUSH grey = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));

    const std::vector<SignatureCase> cases = {
        {WM_CREATE, 0, reinterpret_cast<LPARAM>(&create), "OnCreate again", 0},
        {WM_DESTROY, 0, 0, "OnDestroy", kAnyResult},
        {WM_SIZE, SIZE_MAXIMIZED, Points(30, 40), "OnSize 2 30 40", kAnyResult},
        {WM_MOVE, 0, Points(-5, 6), "OnMove -5 6", kAnyResult},
        {WM_PAINT, 0, 0, "OnPaint", kAnyResult},
        {WM_ERASEBKGND, dc, 0, "OnEraseBkgnd dc", TRUE},
        {WM_CTLCOLOREDIT, dc, ol, "OnCtlColor dc other 1", reinterpret_cast<LRESULT>(grey)},
        {WM_CTLCOLORDLG, dc, ol, "OnCtlColor dc other 4", reinterpret_cast<LRESULT>(grey)},
        {WM_CTLCOLORSTATIC, dc, ol, "OnCtlColor dc other 6", reinterpret_cast<LRESULT>(grey)},
        {WM_DRAWITEM, 5, reinterpret_cast<LPARAM>(&draw), "OnDrawItem 5 11", TRUE},
        {WM_MEASUREITEM, 6, reinterpret_cast<LPARAM>(&measure), "OnMeasureItem 6 12", TRUE},
        {WM_COMPAREITEM, 7, reinterpret_cast<LPARAM>(&compare), "OnCompareItem 7 1 2", -1},
        {WM_DELETEITEM, 8, reinterpret_cast<LPARAM>(&deleted), "OnDeleteItem 8 13", TRUE},
        {WM_TIMER, 99, 0, "OnTimer 99", kAnyResult},
        {WM_MOUSEMOVE, MK_LBUTTON, Points(-3, 4), "OnMouseMove 1 -3 4", kAnyResult},
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, Points(1, 2), "OnLButtonDown 5 1 2", kAnyResult},
        {WM_LBUTTONUP, 0, Points(1, 2), "OnLButtonUp 0 1 2", kAnyResult},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, Points(3, 4), "OnLButtonDblClk 1 3 4", kAnyResult},
        {WM_RBUTTONDOWN, MK_RBUTTON, Points(5, 6), "OnRButtonDown 2 5 6", kAnyResult},
        {WM_RBUTTONUP, 0, Points(5, 6), "OnRButtonUp 0 5 6", kAnyResult},
        {WM_RBUTTONDBLCLK, MK_RBUTTON, Points(7, 8), "OnRButtonDblClk 2 7 8", kAnyResult},
        {WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)), Points(10, 20), "OnMouseWheel 8 -120 10 20",
         TRUE},
        {WM_SETCURSOR, o, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE), "OnSetCursor other 1 512", TRUE},
        {WM_MOUSEACTIVATE, o, MAKELPARAM(HTCAPTION, WM_LBUTTONDOWN), "OnMouseActivate other 2 513", MA_NOACTIVATE},
        {WM_CAPTURECHANGED, 0, ol, "OnCaptureChanged other", kAnyResult},
        {WM_KEYDOWN, 'A', MAKELPARAM(3, 0x1E), "OnKeyDown 65 3 30", kAnyResult},
        {WM_KEYUP, 'A', MAKELPARAM(1, 0xC01E), "OnKeyUp 65 1 49182", kAnyResult},
        {WM_CHAR, 'a', MAKELPARAM(1, 0x1E), "OnChar 97 1 30", kAnyResult},
        {WM_SYSKEYDOWN, VK_F4, MAKELPARAM(1, 0x203E), "OnSysKeyDown 115 1 8254", kAnyResult},
        {WM_SETFOCUS, o, 0, "OnSetFocus other", kAnyResult},
        {WM_KILLFOCUS, 0, 0, "OnKillFocus null", kAnyResult},
        {WM_ACTIVATE, MAKEWPARAM(WA_CLICKACTIVE, 1), ol, "OnActivate 2 other 1", kAnyResult},
        {WM_CLOSE, 0, 0, "OnClose", kAnyResult},
        {WM_QUERYENDSESSION, 0, 0, "OnQueryEndSession", TRUE},
        {WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&minMax), "OnGetMinMaxInfo 321", kAnyResult},
        {WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 55), ol, "OnHScroll 5 55 other", kAnyResult},
        {WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0, "OnVScroll 1 0 null", kAnyResult},
        {WM_NCPAINT, 1, 0, "OnNcPaint", kAnyResult},
        {WM_NCACTIVATE, TRUE, 0, "OnNcActivate 1", TRUE},
        {WM_NCLBUTTONDOWN, HTCAPTION, Points(5, 6), "OnNcLButtonDown 2 5 6", kAnyResult},
        {WM_NCHITTEST, 0, Points(-7, 9), "OnNcHitTest -7 9", HTCAPTION},
        {WM_ENABLE, FALSE, 0, "OnEnable 0", kAnyResult},
        {WM_SHOWWINDOW, TRUE, SW_PARENTOPENING, "OnShowWindow 1 3", kAnyResult},
        {WM_SYSCOMMAND, SC_CLOSE, Points(1, 2), "OnSysCommand 61536 131073", kAnyResult},
        {WM_DROPFILES, 0x55, 0, "OnDropFiles 55", kAnyResult},
        {WM_DEVICECHANGE, 0x8000, 0x99, "OnDeviceChange 32768 153", TRUE},
        {WM_PALETTECHANGED, o, 0, "OnPaletteChanged other", kAnyResult},
        {WM_QUERYNEWPALETTE, 0, 0, "OnQueryNewPalette", TRUE},
        {WM_ENTERIDLE, MSGF_MENU, ol, "OnEnterIdle 2 other", kAnyResult},
        {WM_MENUCHAR, MAKEWPARAM('x', MF_POPUP), static_cast<LPARAM>(menu), "OnMenuChar 120 16 menu",
         MAKELRESULT(0, MNC_CLOSE)},
        {WM_INITMENU, menu, 0, "OnInitMenu menu", kAnyResult},
        {WM_INITMENUPOPUP, menu, MAKELPARAM(3, TRUE), "OnInitMenuPopup menu 3 1", kAnyResult},
        {WM_CONTEXTMENU, o, Points(7, 8), "OnContextMenu other 7 8", kAnyResult},
        {WM_PRIVATE, 1, 2, "OnPrivate 1 2", 99},
        {g_updateMessage, 4, 0, "OnUpdate 4", 5},
    };
    for (const SignatureCase& c : cases) {
        window.m_log.clear();
        const LRESULT result = SendMessageA(window.m_hWnd, c.message, c.wParam, c.lParam);
        ASSERT_EQ(window.m_log.size(), 1u) << c.expected;
        EXPECT_EQ(window.m_log[0], c.expected);
        if (c.result != kAnyResult) {
            EXPECT_EQ(result, c.result) << c.expected;
        }
    }
    DestroyMenu(window.m_menu);
}

// A base and a derived command target: the derived map is asked first and
// its entry for an id wins; _EX handlers that answer FALSE let the base
// have the command.
class CBaseTarget : public CCmdTarget {
public:
    std::vector<std::string> m_calls;
    afx_msg void OnBaseOpen() { m_calls.push_back("base open"); }
    afx_msg void OnBaseSave() { m_calls.push_back("base save"); }
    afx_msg void OnBaseRange(UINT id) { m_calls.push_back("base range " + std::to_string(id)); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTarget, CCmdTarget)
    ON_COMMAND(ID_FILE_OPEN, OnBaseOpen)
    ON_COMMAND(ID_FILE_SAVE, OnBaseSave)
    ON_COMMAND_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE4, OnBaseRange)
END_MESSAGE_MAP()

class CDerivedTarget : public CBaseTarget {
public:
    BOOL m_takeSave = FALSE;
    afx_msg void OnDerivedOpen() { m_calls.push_back("derived open"); }
    afx_msg BOOL OnDerivedSave(UINT id)
    {
        m_calls.push_back("derived save " + std::to_string(id));
        return m_takeSave;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTarget, CBaseTarget)
    ON_COMMAND(ID_FILE_OPEN, OnDerivedOpen)
    ON_COMMAND_EX(ID_FILE_SAVE, OnDerivedSave)
END_MESSAGE_MAP()

TEST_F(MessageMapTest, CommandsRouteThroughDerivedThenBaseMaps)
{
    struct Case {
        UINT id;
        BOOL takeSave;
        BOOL handled;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {ID_FILE_OPEN, FALSE, TRUE, {"derived open"}},
        {ID_FILE_SAVE, FALSE, TRUE, {"derived save 57603", "base save"}},
        {ID_FILE_SAVE, TRUE, TRUE, {"derived save 57603"}},
        {ID_FILE_MRU_FILE3, FALSE, TRUE, {"base range 57618"}},
        {ID_FILE_NEW, FALSE, FALSE, {}},
    };
    for (const Case& c : cases) {
        CDerivedTarget target;
        target.m_takeSave = c.takeSave;
        EXPECT_EQ(target.OnCmdMsg(c.id, CN_COMMAND, nullptr, nullptr), c.handled) << c.id;
        EXPECT_EQ(target.m_calls, c.calls) << c.id;
    }
    CDerivedTarget target;
    AFX_CMDHANDLERINFO info{nullptr, nullptr};
    EXPECT_TRUE(target.OnCmdMsg(ID_FILE_OPEN, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, &target);
    EXPECT_NE(info.pmf, nullptr);
    EXPECT_TRUE(target.m_calls.empty()) << "asking for the handler does not run it";
}

// A window whose update handlers decide which commands run.
class CCommandWnd : public CWnd {
public:
    std::vector<UINT> m_ran;
    BOOL m_enableRun = TRUE;
    afx_msg void OnRun() { m_ran.push_back(ID_TOOLS_RUN); }
    afx_msg void OnUpdateRun(CCmdUI* ui) { ui->Enable(m_enableRun); }
    afx_msg void OnNew() { m_ran.push_back(ID_FILE_NEW); }
    afx_msg void OnUpdateNew(CCmdUI* ui) { ui->SetCheck(1); }
    afx_msg void OnUpdateGreyed(CCmdUI* ui) { ui->SetText("Renamed"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCommandWnd, CWnd)
    ON_COMMAND(ID_TOOLS_RUN, OnRun)
    ON_UPDATE_COMMAND_UI(ID_TOOLS_RUN, OnUpdateRun)
    ON_COMMAND(ID_FILE_NEW, OnNew)
    ON_UPDATE_COMMAND_UI(ID_FILE_NEW, OnUpdateNew)
    ON_UPDATE_COMMAND_UI(ID_ALWAYS_GREY, OnUpdateGreyed)
END_MESSAGE_MAP()

TEST_F(MessageMapTest, MenuCommandsThatTheirUpdateHandlerDisablesAreDropped)
{
    CCommandWnd window;
    ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "cmd", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    SendMessageA(window.m_hWnd, WM_COMMAND, MAKEWPARAM(ID_TOOLS_RUN, 0), 0);
    window.m_enableRun = FALSE;
    SendMessageA(window.m_hWnd, WM_COMMAND, MAKEWPARAM(ID_TOOLS_RUN, 0), 0);
    SendMessageA(window.m_hWnd, WM_COMMAND, MAKEWPARAM(ID_TOOLS_RUN, 1), 0);
    SendMessageA(window.m_hWnd, WM_COMMAND, MAKEWPARAM(ID_FILE_NEW, 1), 0);
    EXPECT_EQ(window.m_ran, (std::vector<UINT>{ID_TOOLS_RUN, ID_FILE_NEW}));
}

TEST_F(MessageMapTest, CmdUiUpdatesMenuItemsAndGreysThoseWithoutHandler)
{
    CCommandWnd window;
    ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "cmd", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_MAINFRAME));
    CMenu* tools = menu.GetSubMenu(1);
    CMenu* file = menu.GetSubMenu(0);
    ASSERT_NE(tools, nullptr);
    window.m_enableRun = FALSE;
    for (CMenu* popup : {file, tools}) {
        CCmdUI ui;
        ui.m_pMenu = popup;
        ui.m_nIndexMax = popup->GetMenuItemCount();
        for (ui.m_nIndex = 0; ui.m_nIndex < ui.m_nIndexMax; ++ui.m_nIndex) {
            ui.m_nID = popup->GetMenuItemID(static_cast<int>(ui.m_nIndex));
            ui.DoUpdate(&window, TRUE);
        }
    }
    EXPECT_EQ(menu.GetMenuState(ID_TOOLS_RUN, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED) << "its handler disabled it";
    EXPECT_EQ(menu.GetMenuState(ID_FILE_NEW, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED), MF_CHECKED);
    EXPECT_EQ(menu.GetMenuState(ID_FILE_OPEN, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED) << "nobody handles it";
    EXPECT_EQ(menu.GetMenuState(ID_ALWAYS_GREY, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED)
        << "an update handler that leaves the enabling alone does not make a command handled";
    CString text;
    menu.GetMenuString(ID_ALWAYS_GREY, text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Renamed");
}

} // namespace
