#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "Win32/Toolkit/PopupMenuService.h"
#include "Win32/Toolkit/QKLToolBar.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/WindowRef.h"
#include "Win32/Toolkit/tests/PanelTestSupport.h"

namespace {

using panel_test::ClickAt;
using panel_test::ClientPixel;
using panel_test::Pump;
using panel_test::Received;

// Records the menus the bar opens and, like the main frame, reports back
// where the cursor was when the menu closed.
class RecordingMenus : public CPopupMenuService {
public:
    struct Opened {
        UINT menu;
        POINT at;
        UINT flags;
    };
    void DoPopupMenuById(UINT menuId, POINT screenPoint, UINT flags) override
    {
        opened.push_back({menuId, screenPoint, flags});
        if (bar)
            bar->OnMenuClosed(closeAt.x, closeAt.y);
    }

    QKLToolBar* bar = nullptr;
    POINT closeAt{};
    std::vector<Opened> opened;
};

class ToolBarTest : public panel_test::PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        // Wide and tall enough for a status bar's three labels on the desktop.
        owner->SetWindowPos(nullptr, 0, 0, 984, 728, SWP_NOMOVE | SWP_NOZORDER);
        m_previous = CPopupMenuService::Install(&menus);
    }
    void TearDown() override
    {
        CPopupMenuService::Install(m_previous);
        bars.clear();
        PanelTest::TearDown();
    }
    // A bar of the layout in the owner window at `rect` (owner client
    // coordinates, exclusive right and bottom).
    QKLToolBar* MakeBar(BOOL status, RECT rect, CWnd* parent = nullptr)
    {
        auto bar = std::make_unique<QKLToolBar>(status);
        if (!bar->Create(parent ? parent : owner.get(), status ? 601 : 600, &rect))
            return nullptr;
        bars.push_back(std::move(bar));
        Pump();
        return bars.back().get();
    }
    static HWND ButtonHwnd(QKLToolBar& bar, INT id)
    {
        PanelElement* button = bar.GetChildren().FindByKey(id);
        return button ? HwndOf(button->GetWindowRef()) : nullptr;
    }
    static bool Checked(QKLToolBar& bar, INT id)
    {
        return ::SendMessageA(ButtonHwnd(bar, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    static POINT ScreenOrigin(QKLToolBar& bar)
    {
        const CGfxPoint at = bar.ClientToScreen(CGfxPoint(0, 0));
        return POINT{at.x, at.y};
    }

    RecordingMenus menus;
    std::vector<std::unique_ptr<QKLToolBar>> bars;

private:
    CPopupMenuService* m_previous = nullptr;
};

TEST_F(ToolBarTest, RelayoutPutsTheWindowButtonsAndTheDecorationFlushRight)
{
    QKLToolBar* bar = MakeBar(FALSE, RECT{0, 0, 1000, 56});
    ASSERT_NE(bar, nullptr);
    const RECT place{0, 0, 1000, 56};
    bar->MoveTo(&place);
    bar->RelayoutButtons();
    struct Case {
        INT id;
        LONG left;
        LONG width;
    } const cases[] = {{522, 907, 23}, {40009, 930, 23}, {521, 953, 47}, {-1, 708, 292}};
    for (const Case& c : cases) {
        PanelElement* button = bar->GetChildren().FindByKey(c.id);
        ASSERT_NE(button, nullptr) << c.id;
        EXPECT_EQ(button->GetBounds().left, c.left) << c.id;
        EXPECT_EQ(button->GetBounds().Width(), c.width) << c.id;
    }
    EXPECT_EQ(bar->GetChildren().FindByKey(521)->GetBounds().right + 1, 1000) << "the close button ends the bar";
}

TEST_F(ToolBarTest, TabMenusOpenAndCloseByWhereTheCursorWasWhereverTheBarIs)
{
    struct Case {
        const char* name;
        INT first;      // the tab clicked (its menu opens)
        POINT closeAt;  // where the cursor was when the menu closed, from the bar's corner
        INT openTab;
        INT checked;    // the tab left checked, 0 for none
        WPARAM posted;  // the command posted to the main window, 0 for none
    } const cases[] = {
        {"the open tab clicked again closes it", 60451, {150, 30}, 0, 0, 0},
        {"another tab opens its menu in turn", 60450, {160, 35}, 2, 60451, 40004},
        {"away from the tabs nothing stays open", 60450, {100, 50}, 0, 0, 0},
        {"left of the first tab's band", 60453, {70, 30}, 0, 0, 0},
    };
    struct Place {
        const char* name;
        bool atScreenOrigin;
    } const places[] = {{"at the screen origin", true}, {"moved away", false}};
    // A window in the screen's corner holds the bar that starts there.
    panel_test::RecordingWindow corner;
    ASSERT_TRUE(corner.Make("corner", 0, 0, 900, 60));
    constexpr UINT kMenus[] = {402, 404, 403, 405};
    constexpr INT kTabIds[] = {60450, 60451, 32850, 60453};
    for (const Place& place : places)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + place.name);
            const POINT at = place.atScreenOrigin ? POINT{0, 0} : POINT{30, 20};
            QKLToolBar* bar =
                MakeBar(FALSE, RECT{at.x, at.y, at.x + 900, at.y + 56}, place.atScreenOrigin ? &corner : nullptr);
            ASSERT_NE(bar, nullptr);
            bar->RelayoutButtons();
            const POINT origin = ScreenOrigin(*bar);
            if (place.atScreenOrigin) {
                EXPECT_TRUE(origin.x == 0 && origin.y == 0);
            }
            menus.bar = bar;
            menus.closeAt = POINT{origin.x + c.closeAt.x, origin.y + c.closeAt.y};
            menus.opened.clear();
            main->window.Clear();

            ClickAt(panel_test::CentreOf(ButtonHwnd(*bar, c.first)));
            Pump();
            ASSERT_EQ(menus.opened.size(), 1u);
            const INT column = static_cast<INT>(std::find(std::begin(kTabIds), std::end(kTabIds), c.first) - kTabIds);
            EXPECT_EQ(menus.opened[0].menu, kMenus[column]);
            EXPECT_EQ(menus.opened[0].at.x, origin.x + 74 * (column + 1));
            EXPECT_EQ(menus.opened[0].at.y, origin.y + 46);
            EXPECT_EQ(menus.opened[0].flags, 0xFFFFu);
            EXPECT_EQ(bar->GetOpenTab(), c.openTab);
            for (INT id : kTabIds)
                EXPECT_EQ(Checked(*bar, id), id == c.checked) << id;
            const std::vector<Received> posted = main->window.Of(WM_COMMAND);
            if (c.posted)
                EXPECT_EQ(posted, (std::vector<Received>{{WM_COMMAND, c.posted, 0}}));
            else
                EXPECT_TRUE(posted.empty());
            menus.bar = nullptr;
            bars.clear();
        }
}

TEST_F(ToolBarTest, WindowButtonsSendTheMainWindowItsCommands)
{
    QKLToolBar* top = MakeBar(FALSE, RECT{0, 0, 500, 56});
    QKLToolBar* status = MakeBar(TRUE, RECT{0, 100, 500, 124});
    ASSERT_TRUE(top && status);
    top->RelayoutButtons();
    struct Case {
        QKLToolBar* bar;
        INT id;
        Received sent;
    } const cases[] = {
        {top, 522, {WM_COMMAND, 162, 0}},
        {top, 40009, {WM_SYSCOMMAND, 0xF020, 0}},
        {top, 521, {WM_SYSCOMMAND, 0xF060, 0}},
        {status, 165, {WM_COMMAND, 165, 0}},
    };
    for (const Case& c : cases) {
        main->window.Clear();
        ClickAt(panel_test::CentreOf(ButtonHwnd(*c.bar, c.id)));
        Pump();
        EXPECT_EQ(main->window.All(), std::vector<Received>{c.sent}) << c.id;
    }
    EXPECT_EQ(status->GetChildren().FindByKey(0), status->GetChildren().GetAt(1))
        << "the two separators share key 0; the first is found";
}

TEST_F(ToolBarTest, WithoutAMainWindowCommandsAndClosingMenusDoNothing)
{
    QKLToolBar* bar = MakeBar(FALSE, RECT{0, 0, 500, 56});
    ASSERT_NE(bar, nullptr);
    menus.bar = nullptr;
    bar->OnCommand(60451, 0, nullptr);
    ASSERT_EQ(bar->GetOpenTab(), 2);
    main.reset();
    EXPECT_TRUE(bar->OnCommand(60450, 0, nullptr));
    EXPECT_TRUE(bar->OnCommand(521, 0, nullptr));
    bar->OnMenuClosed(160, 35);
    EXPECT_EQ(menus.opened.size(), 1u);
    EXPECT_EQ(bar->GetOpenTab(), 2) << "the state stays without a main window";
    EXPECT_FALSE(Checked(*bar, 60451)) << "the tabs come up in any case";
}

// The number of pixels of (the first 150 columns of) a label rectangle lit
// by the bar's light text over its dark background.
int TextPixels(HWND bar, const CGfxRect& rect)
{
    int count = 0;
    for (LONG y = rect.top; y <= rect.bottom; ++y)
        for (LONG x = rect.left; x <= std::min<LONG>(rect.right, rect.left + 150); ++x) {
            const COLORREF pixel = ClientPixel(bar, x, y);
            count += GetRValue(pixel) > 150 && GetGValue(pixel) > 150 && GetBValue(pixel) > 150 ? 1 : 0;
        }
    return count;
}

TEST_F(ToolBarTest, TheTopBarShowsTheMainWindowsTitle)
{
    QKLToolBar* bar = MakeBar(FALSE, RECT{0, 0, 500, 56});
    ASSERT_NE(bar, nullptr);
    main->window.SetWindowText("");
    bar->Redraw();
    Pump();
    EXPECT_EQ(TextPixels(bar->GetHwnd(), bar->GetLabelRect(0)), 0);
    main->window.SetWindowText("Holiday.sbd - Kestrelon");
    bar->Redraw();
    Pump();
    EXPECT_GT(TextPixels(bar->GetHwnd(), bar->GetLabelRect(0)), 20);
}

TEST_F(ToolBarTest, StatusLabelsSetFromAWorkerWhileTheBarRepaints)
{
    QKLToolBar* bar = MakeBar(TRUE, RECT{0, 100, 1100, 124});
    ASSERT_NE(bar, nullptr);
    constexpr int kRounds = 200;
    std::thread worker([bar] {
        for (int i = 0; i < kRounds; ++i) {
            const CString text = i % 2 ? "Converting track 3 of 12" : "";
            bar->SetLabel3Text(text);
            bar->SetLabel1Text(text);
        }
        bar->SetLabel3Text("Converted 12 tracks");
    });
    for (int i = 0; i < kRounds; ++i) {
        bar->Redraw();
        Pump();
    }
    worker.join();
    bar->SetLabel2Text(CString("A very long message that runs on and on, far past the end of its pane ") +
                       CString("and further still, so that the pane ends it with an ellipsis"));
    bar->Redraw();
    Pump();
    EXPECT_STREQ(bar->GetLabel(2).GetString(), "Converted 12 tracks");
    EXPECT_GT(TextPixels(bar->GetHwnd(), bar->GetLabelRect(2)), 20);
    // The long label stops inside its pane: the gap to the third label stays clear.
    const CGfxRect gap(bar->GetLabelRect(1).right + 1, 4, bar->GetLabelRect(2).left - 1, 16);
    EXPECT_EQ(TextPixels(bar->GetHwnd(), gap), 0);
}

} // namespace
