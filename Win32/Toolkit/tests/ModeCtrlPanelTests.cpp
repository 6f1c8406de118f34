#include <gtest/gtest.h>

#include <vector>

#include "Platform/Com/Com.h"
#include "Win32/Toolkit/AnimateButtonElement.h"
#include "Win32/Toolkit/QKLModeCtrlPanel.h"
#include "Win32/Toolkit/SceneEffectQuery.h"
#include "Win32/Toolkit/tests/PanelTestSupport.h"

namespace {

using panel_test::ClickButton;
using panel_test::ClientPixel;
using panel_test::Pump;
using panel_test::Received;

constexpr UINT kClose = QKLModeCtrlPanel::kCloseToolMessage;
constexpr UINT kMode = QKLModeCtrlPanel::kModeMessage;

class ModeCtrlPanelTest : public panel_test::PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        // Tall enough for the whole column on the desktop.
        owner->SetWindowPos(nullptr, 0, 0, 600, 728, SWP_NOMOVE | SWP_NOZORDER);
    }
    void TearDown() override
    {
        panel.reset();
        PanelTest::TearDown();
    }
    // The column in the owner window, 68 x `height` at its top-left corner.
    bool MakePanel(LONG height = 700)
    {
        panel = std::make_unique<QKLModeCtrlPanel>();
        const RECT bounds{0, 0, 68, height};
        if (!panel->Create(owner.get(), 700, &bounds, 0, nullptr))
            return false;
        panel->MoveTo(&bounds);
        Pump();
        return true;
    }
    std::vector<INT> CheckedIds()
    {
        std::vector<INT> ids;
        for (const ButtonTableRow& row : QKLModeCtrlPanel::kRows)
            if (panel->GetButtonState(row.id))
                ids.push_back(row.id);
        return ids;
    }

    std::unique_ptr<QKLModeCtrlPanel> panel;
};

TEST_F(ModeCtrlPanelTest, AModeButtonAsksForItsModeOrClosesTheOpenTool)
{
    struct Case {
        const char* name;
        std::vector<INT> clicks;
        std::vector<Received> sent;
        std::vector<INT> checked;
    } const cases[] = {
        {"text twice", {53324, 53324}, {{kMode, 0, 0}, {kClose, 1006, 0}}, {}},
        {"colour while text is open", {53324, 53321}, {{kMode, 0, 0}, {kMode, 5, 0}}, {53321}},
        {"every mode once",
         {53320, 53321, 53322, 53323, 53324, 53325, 53326, 53327, 53328, 53331},
         {{kMode, 7, 0}, {kMode, 5, 0}, {kMode, 3, 0}, {kMode, 2, 0}, {kMode, 0, 0}, {kMode, 1, 0}, {kMode, 4, 0},
          {kMode, 8, 0}, {kMode, 6, 0}, {kMode, 9, 0}},
         {53331}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(MakePanel()) << c.name;
        owner->Clear();
        for (INT id : c.clicks)
            ASSERT_TRUE(ClickButton(*panel, id)) << c.name << ": " << id;
        EXPECT_EQ(owner->All(), c.sent) << c.name;
        EXPECT_EQ(CheckedIds(), c.checked) << c.name;
        EXPECT_TRUE(main->window.All().empty()) << c.name;
    }
}

TEST_F(ModeCtrlPanelTest, CommandButtonsGoToTheMainWindowOnceTheirUsersEnableThem)
{
    ASSERT_TRUE(MakePanel());
    // Rows 16 to 21 start disabled; the rows of the main menu and the about
    // box are never built.
    for (INT id : {102, 104, 120, 107, 1128, 1129})
        EXPECT_FALSE(::IsWindowEnabled(panel->FindButton(id)->GetHwnd())) << id;
    for (INT id : {200, 53320, 53331, 32786, 101})
        EXPECT_TRUE(::IsWindowEnabled(panel->FindButton(id)->GetHwnd())) << id;
    for (INT id : {166, 165})
        EXPECT_EQ(panel->FindButton(id), nullptr) << id;

    panel->EnableButtonsByMask(0xFFFFFFFF);
    const INT commands[] = {101, 102, 104, 120, 32786, 200};
    for (INT id : commands)
        ASSERT_TRUE(ClickButton(*panel, id)) << id;
    EXPECT_EQ(main->window.Of(WM_COMMAND), (std::vector<Received>{{WM_COMMAND, 101, 0},
                                                                   {WM_COMMAND, 102, 0},
                                                                   {WM_COMMAND, 104, 0},
                                                                   {WM_COMMAND, 120, 0},
                                                                   {WM_COMMAND, 32786, 0}}));
    EXPECT_TRUE(owner->All().empty());
}

TEST_F(ModeCtrlPanelTest, TheProduceButtonRunsItsAnimationToTheEndOnTimerTicks)
{
    ASSERT_TRUE(MakePanel());
    panel->EnableButtonsByMask(0xFFFFFFFF);
    auto* produce = dynamic_cast<AnimateButtonElement*>(panel->FindButton(107));
    ASSERT_NE(produce, nullptr);
    ASSERT_NE(produce->GetStrip(), nullptr);
    EXPECT_EQ(produce->GetStrip()->GetFrameCount(), 30);
    EXPECT_EQ(produce->GetTimerId(), 107);
    EXPECT_EQ(produce->GetTimerElapse(), 30);
    ASSERT_TRUE(ClickButton(*panel, 107));
    EXPECT_EQ(main->window.Of(WM_COMMAND), (std::vector<Received>{{WM_COMMAND, 107, 0}}));
    ASSERT_TRUE(produce->IsTimerRunning());
    int ticks = 0;
    while (produce->GetState() != AnimateButtonElement::kFinished && ticks < 100) {
        ::SendMessageA(produce->GetHwnd(), WM_TIMER, 107, 0);
        ++ticks;
    }
    EXPECT_EQ(produce->GetState(), AnimateButtonElement::kFinished);
    EXPECT_GE(ticks, 30) << "every frame was shown";
    EXPECT_EQ(produce->GetCurrentImage(), produce->GetImage()) << "back to the still face";
}

// A scene's effects as the test sets them.
class FixedEffects : public CSceneEffectQuery {
public:
    bool HasMotionEffect(Scene*) override { return motion; }
    bool HasSpectrumEffect(Scene*) override { return spectrum; }
    bool HasTextEffect(Scene*) override { return text; }
    bool HasColorEffect(Scene*) override { return colour; }
    INT GetAudioTrackCount(Scene*) override { return tracks; }

    bool motion = false, spectrum = false, text = false, colour = false;
    INT tracks = 0;
};

TEST_F(ModeCtrlPanelTest, MarkersShowWhichEffectsTheSceneCarries)
{
    ASSERT_TRUE(MakePanel());
    FixedEffects effects;
    effects.text = effects.colour = true;
    CSceneEffectQuery* previous = CSceneEffectQuery::Install(&effects);
    int stand_in = 0;
    panel->SetSceneMarkers(reinterpret_cast<Scene*>(&stand_in));
    Pump();
    // The middle of each marker: the lit marker's colour where the scene
    // carries the mode's effect, the dim one's where it does not.
    const COLORREF lit = RGB(232, 176, 64), dim = RGB(56, 58, 67);
    struct Case {
        INT id;
        COLORREF marker;
    } const cases[] = {{53321, lit}, {53324, lit}, {53322, dim}, {53323, dim}, {53325, dim}, {53326, dim}};
    for (const Case& c : cases) {
        const CGfxRect place = panel->ScreenToClient(panel->FindButton(c.id)->GetWindowRect());
        EXPECT_EQ(ClientPixel(panel->GetHwnd(), 4, place.top + place.Height() / 2), c.marker) << c.id;
    }
    CSceneEffectQuery::Install(previous);

    struct Flags {
        const char* name;
        INT index;
        std::vector<INT> cleared; // user values whose flag is 0 afterwards
    } const flags[] = {
        {"all of 3 to 8", -1, {3, 4, 5, 6, 7, 8}}, {"index 8: row 10", 8, {}}, {"index 9: nothing", 9, {}},
        {"far outside", 1000, {}},
        // Last: the scene markers reset only the flags of 3 to 8.
        {"index 0: row 2", 0, {2}},
    };
    for (const Flags& f : flags) {
        panel->SetSceneMarkers(nullptr);
        panel->SetModeEnabled(f.index, 0);
        for (INT user = 0; user < 10; ++user) {
            const bool cleared = std::find(f.cleared.begin(), f.cleared.end(), user) != f.cleared.end();
            EXPECT_EQ(panel->GetModeFlag(user), cleared ? 0 : 1) << f.name << ", user value " << user;
        }
    }
}

TEST_F(ModeCtrlPanelTest, TheBottomButtonsFollowTheColumnsHeight)
{
    ASSERT_TRUE(MakePanel(700));
    EXPECT_EQ(panel->FindButton(1128)->GetBounds().top, 580);
    EXPECT_EQ(panel->FindButton(107)->GetBounds().top, 632);
    EXPECT_EQ(panel->FindButton(1129)->GetBounds().top, 685);
    // Each keeps its own height, so none covers the next one down: the
    // produce button shows its face, not the decoration's empty remainder.
    EXPECT_EQ(panel->FindButton(1128)->GetBounds().bottom, 580 + 51);
    EXPECT_EQ(panel->FindButton(107)->GetBounds().bottom, 632 + 54);
    EXPECT_EQ(panel->FindButton(1129)->GetBounds().bottom, 700);
    panel->EnableButtonsByMask(0xFFFFFFFF);
    Pump();
    HWND produce = panel->FindButton(107)->GetHwnd();
    EXPECT_NE(ClientPixel(produce, 29, 3), RGB(0, 0, 0)) << "the produce face is drawn";
}

// The optional filter's identifier. The platform's own filter under it
// answers by default; a test makes the class unavailable, then gives the
// platform's factory back.
DEFINE_GUID(CLSID_OptionalFilterUnderTest, 0xDBB81912, 0x7141, 0x11D4, 0xAC, 0xC8, 0x00, 0x50, 0xDA, 0x29, 0x59, 0x3F);

HRESULT Unavailable(REFCLSID, REFIID, LPVOID* object)
{
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

IClassFactory* g_platformFactory = nullptr;

HRESULT PlatformFactory(REFCLSID, REFIID riid, LPVOID* object)
{
    return g_platformFactory->QueryInterface(riid, object);
}

TEST_F(ModeCtrlPanelTest, TheOptionalLibraryButtonIsThereOnlyWhenItsFilterCanBeMade)
{
    ASSERT_EQ(CoGetClassObject(CLSID_OptionalFilterUnderTest, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&g_platformFactory)),
              S_OK);
    EXPECT_TRUE(QKLModeCtrlPanel::HasOptionalFilter());
    ASSERT_TRUE(MakePanel());
    ASSERT_NE(panel->FindButton(32789), nullptr);
    ASSERT_TRUE(ClickButton(*panel, 32789));
    EXPECT_EQ(main->window.Of(WM_COMMAND), (std::vector<Received>{{WM_COMMAND, 32789, 0}}));

    com::RegisterBuiltinClass(CLSID_OptionalFilterUnderTest, &Unavailable);
    EXPECT_FALSE(QKLModeCtrlPanel::HasOptionalFilter());
    ASSERT_TRUE(MakePanel());
    EXPECT_EQ(panel->FindButton(32789), nullptr);
    panel->SetButtonState(32789, 1);
    panel->EnableButton(32789, true);
    EXPECT_EQ(panel->GetButtonState(32789), 0);
    EXPECT_NE(panel->FindButton(101), nullptr) << "the rows after it are built";
    com::RegisterBuiltinClass(CLSID_OptionalFilterUnderTest, &PlatformFactory);
    EXPECT_TRUE(QKLModeCtrlPanel::HasOptionalFilter());
}

} // namespace
