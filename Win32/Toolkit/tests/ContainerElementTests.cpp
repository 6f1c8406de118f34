#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Platform/Win/CommCtrl/CommCtrl.h"
#include "Win32/Toolkit/ButtonElement.h"
#include "Win32/Toolkit/WinPanel.h"
#include "Win32/Toolkit/tests/ElementFixtures.h"
#include "Win32/Toolkit/tests/PanelTestSupport.h"

namespace {

using namespace element_fixtures;

// A child container that counts what the host hands it.
class ProbeContainer : public ContainerElement {
public:
    void OnMouseEnter() override { ++enters; }
    void OnMouseLeave() override { ++leaves; }
    bool OnButtonDown(UINT, const CGfxPoint&, INT direct) override
    {
        downs.push_back(direct);
        return true;
    }
    bool OnButtonUp(UINT, const CGfxPoint&, INT direct) override
    {
        ups.push_back(direct);
        return true;
    }

    int enters = 0;
    int leaves = 0;
    std::vector<INT> downs;
    std::vector<INT> ups;
};

class ContainerTest : public ElementTest {
protected:
    // Hidden children: their windows take no mouse input, so the panel's
    // hover tracking sees every move over them.
    ProbeContainer* AddProbe(LONG id, const CGfxRect& bounds)
    {
        ElementProperties list;
        Describe(list, id, bounds, PanelRef(), WS_CHILD);
        return AddChild(std::make_unique<ProbeContainer>(), list);
    }
    ButtonElement* AddButton(LONG id, const CGfxRect& bounds, DWORD style = WS_CHILD | WS_VISIBLE)
    {
        ButtonElementProperties list;
        Describe(list, id, bounds, PanelRef(), style);
        return AddChild(std::make_unique<ButtonElement>(), list);
    }
};

using panel_test::ToolTipOfThread;

TEST_F(ContainerTest, LeavingAChildTellsItOnceAndOverlapsGoToTheFirstChild)
{
    ProbeContainer* first = AddProbe(1, CGfxRect(10, 10, 59, 59));
    ProbeContainer* second = AddProbe(2, CGfxRect(40, 40, 99, 99));
    ASSERT_TRUE(first && second);
    MoveTo(20, 20);
    EXPECT_GT(first->enters, 0);
    const int secondEnters = second->enters;
    MoveTo(45, 45);
    EXPECT_EQ(second->enters, secondEnters) << "the overlap belongs to the first child";
    EXPECT_EQ(panel->GetHoveredChild(), first);
    MoveTo(80, 80);
    EXPECT_GT(second->enters, secondEnters);
    EXPECT_EQ(first->leaves, 1);
    MoveTo(200, 200);
    EXPECT_EQ(second->leaves, 1);
    MoveTo(210, 210);
    EXPECT_EQ(second->leaves, 1) << "nothing more after leaving";
    EXPECT_EQ(first->leaves, 1);
    EXPECT_EQ(panel->GetHoveredChild(), nullptr);
}

TEST_F(ContainerTest, ButtonsArePassedToAHoveredContainerOnlyWithTheDirectFlagClear)
{
    ButtonElement* plain = AddButton(3, CGfxRect(10, 10, 59, 59), WS_CHILD);
    ProbeContainer* probe = AddProbe(4, CGfxRect(100, 10, 149, 59));
    ASSERT_TRUE(plain && probe);
    MoveTo(20, 20);
    Press(20, 20);
    Release(20, 20);
    EXPECT_TRUE(probe->downs.empty());
    MoveTo(120, 20);
    Press(120, 20);
    Release(120, 20);
    EXPECT_EQ(probe->downs, std::vector<INT>{0});
    EXPECT_EQ(probe->ups, std::vector<INT>{0});
}

TEST_F(ContainerTest, EraseBackgroundPaintsAndAnswersZero)
{
    ASSERT_TRUE(panel->SetBackgroundBitmap(kPanelBackground, nullptr, nullptr, FALSE));
    Canvas canvas(200, 60, RGB(0, 0, 0));
    EXPECT_EQ(SendMessageA(PanelHwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc.GetSafeHdc()), 0), 0);
    EXPECT_EQ(canvas.At(7, 5), BackgroundPixel(7, 5));
    EXPECT_EQ(canvas.At(150, 40), BackgroundPixel(150, 40));
}

TEST_F(ContainerTest, AnEmptyClassNameGivesTheFrameworksChildClass)
{
    char name[64] = {};
    GetClassNameA(PanelHwnd(), name, sizeof name);
    EXPECT_STREQ(name, AfxRegisterWndClass(0));
    EXPECT_NE(dynamic_cast<WinPanel*>(panel->GetWnd()), nullptr);
    EXPECT_STREQ(panel->GetWnd()->GetRuntimeClass()->m_lpszClassName, "WinPanel");
}

TEST_F(ContainerTest, ToolTipsShowTheChildsStringCutTo79AndLeaveTheResourceModuleAlone)
{
    ButtonElement* play = AddButton(static_cast<LONG>(kLongTip), CGfxRect(10, 10, 109, 39));
    ASSERT_NE(play, nullptr);
    HWND plainChild = CreateWindowExA(0, "Button", "plain", WS_CHILD | WS_VISIBLE, 150, 10, 50, 30, PanelHwnd(),
                                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kShortTip)), nullptr, nullptr);
    ASSERT_TRUE(panel->EnableToolTips(Fixture()));
    win::commctrl::SetDefaultToolTipDelay(20);
    MoveTo(50, 20);
    HWND tip = ToolTipOfThread();
    ASSERT_NE(tip, nullptr);
    SendMessageA(tip, WM_TIMER, 1, 0);
    EXPECT_TRUE(IsWindowVisible(tip)) << "shown over the child";
    win::commctrl::SetDefaultToolTipDelay(0);

    HINSTANCE program = GetModuleHandleA(nullptr);
    AfxSetResourceHandle(program);
    struct Case {
        HWND tool;
        std::string expected;
    };
    for (const Case& c : {Case{play->GetHwnd(), LongTipText().substr(0, 79)}, Case{plainChild, ""}}) {
        TOOLTIPTEXTA text{};
        text.hdr.hwndFrom = tip;
        text.hdr.idFrom = reinterpret_cast<UINT_PTR>(c.tool);
        text.hdr.code = TTN_NEEDTEXTA;
        text.uFlags = TTF_IDISHWND;
        std::memset(text.szText, 'x', sizeof text.szText);
        SendMessageA(PanelHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&text));
        EXPECT_EQ(std::string(text.szText), c.expected);
        EXPECT_EQ(AfxGetResourceHandle(), program) << "the tool-tip module was current for the load only";
    }
    AfxSetResourceHandle(Fixture());
}

TEST_F(ContainerTest, ChildCommandsAndCommandUpdatesReachTheElement)
{
    ButtonElement* button = AddButton(77, CGfxRect(10, 10, 109, 39));
    ASSERT_NE(button, nullptr);
    MoveTo(50, 20);
    Press(50, 20);
    Release(50, 20);
    EXPECT_EQ(panel->commands, std::vector<UINT>{77}) << "BN_CLICKED";
    CCmdUI update;
    update.m_nID = 78;
    EXPECT_TRUE(update.DoUpdate(panel->GetWnd(), FALSE));
    EXPECT_EQ(panel->updates, std::vector<UINT>{78});
}

} // namespace
