#include <functional>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/testing/PageTesting.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Switcher/SwitcherPages.h"

namespace {

using namespace plugin_test;
using Event = CSwitcherEventPage;
using Types = CSwitcherMediaTypePage;

int Cell(int input, int output) { return Event::kFirstCell + Event::kGrid * input + output; }

class SwitcherPages : public WithModules {
protected:
    SwitcherPages() : WithModules({ModulePath("Switcher"), ModulePath("Tessaly")}) {}
    void SetUp() override
    {
        WithModules::SetUp();
        m_filter = Create<IBaseFilter>(CLSID_QORSwitcher, IID_IBaseFilter);
        ASSERT_TRUE(m_filter);
        m_switcher = Query<IKLSwitcher>(m_filter.Get(), IID_IKLSwitcher);
    }
    void TearDown() override
    {
        m_switcher.Reset();
        m_filter.Reset();
        WithModules::TearDown();
    }
    // Runs `action`, answering with OK the warning box it may open; true
    // when the box showed.
    static bool AnsweringWarning(const std::function<void()>& action)
    {
        s_warned = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
            if (HWND box = FindWindowA(nullptr, "WARNING")) {
                s_warned = true;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
        });
        action();
        KillTimer(nullptr, timer);
        return s_warned;
    }
    static bool s_warned;
    com::ComPtr<IBaseFilter> m_filter;
    com::ComPtr<IKLSwitcher> m_switcher;
};
bool SwitcherPages::s_warned = false;

TEST_F(SwitcherPages, TheEventPageShowsTheInitialSchedule)
{
    PageUnderTest page(CLSID_SwitcherEventPage, m_filter.Get());
    ASSERT_EQ(page.Connected(), S_OK);
    EXPECT_EQ(page.Title(), u"QOR FilterGraph Router");
    EXPECT_EQ(page.Text(Event::kEventCount), "1");
    EXPECT_EQ(page.Text(Event::kEndTime), "320000");
    EXPECT_EQ(page.Text(Event::kShownIndex), "0");
    for (int input = 0; input < Event::kGrid; ++input)
        for (int output = 0; output < Event::kGrid; ++output)
            EXPECT_FALSE(page.Checked(Cell(input, output)));
}

TEST_F(SwitcherPages, AGridClickClearsItsRowAndColumnAndAClickOnACheckedCellClearsIt)
{
    PageUnderTest page(CLSID_SwitcherEventPage, m_filter.Get());
    page.Click(Cell(3, 5));
    page.Click(Cell(4, 5));
    EXPECT_FALSE(page.Checked(Cell(3, 5)));
    EXPECT_TRUE(page.Checked(Cell(4, 5)));
    page.Click(Cell(4, 2));
    EXPECT_FALSE(page.Checked(Cell(4, 5))) << "one output per input";
    EXPECT_TRUE(page.Checked(Cell(4, 2)));
    page.Click(Cell(4, 2));
    EXPECT_FALSE(page.Checked(Cell(4, 2)));
    EXPECT_EQ(page.Page()->IsPageDirty(), S_OK);
    EXPECT_EQ(page.StatusChanges(), std::vector<DWORD>{PROPPAGESTATUS_DIRTY}) << "told once";
}

TEST_F(SwitcherPages, AddEventAndApplyWriteTheScheduleAndAnOutOfOrderTimeIsIgnored)
{
    PageUnderTest page(CLSID_SwitcherEventPage, m_filter.Get());
    page.Click(Cell(0, 1));
    page.Click(Event::kAddEvent);
    EXPECT_EQ(page.Text(Event::kEventCount), "2");
    EXPECT_EQ(page.Text(Event::kShownIndex), "0") << "the shown event stays";
    // To the second event with the spin control.
    HWND spin = GetDlgItem(page.Dialog(), Event::kSpin);
    SendMessageA(spin, UDM_SETPOS, 0, MAKELPARAM(1, 0));
    SendMessageA(page.Dialog(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), reinterpret_cast<LPARAM>(spin));
    EXPECT_EQ(page.Text(Event::kShownIndex), "1");
    EXPECT_EQ(page.Text(Event::kEndTime), "320001") << "1 ms after the first";
    EXPECT_FALSE(page.Checked(Cell(0, 1)));
    page.Click(Cell(2, 3));
    page.SetText(Event::kEndTime, "100");
    EXPECT_TRUE(AnsweringWarning([&] { EXPECT_EQ(page.Page()->Apply(), S_OK); }));
    page.Click(Event::kLastSwitch);
    page.SetText(Event::kEndTime, "400000");
    EXPECT_FALSE(AnsweringWarning([&] { EXPECT_EQ(page.Page()->Apply(), S_OK); }));

    int count = 0;
    EXPECT_EQ(m_switcher->GetEventCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    REFERENCE_TIME end = 0;
    short map[Event::kGrid] = {};
    EXPECT_EQ(m_switcher->GetEvent(0, &end, map), S_OK);
    EXPECT_EQ(end, 320000LL * 10000);
    EXPECT_EQ(map[0], 1);
    EXPECT_EQ(m_switcher->GetEvent(1, &end, map), S_OK);
    EXPECT_EQ(end, 400000LL * 10000);
    EXPECT_EQ(map[2], 3);
    EXPECT_EQ(map[0], -1);
    EXPECT_EQ(m_switcher->IsLastSwitchClear(), 0) << "the last-switch box was applied";
}

TEST_F(SwitcherPages, TheMediaTypePageSetsTheRestrictionOfItsButton)
{
    PageUnderTest page(CLSID_SwitcherMediaTypePage, m_filter.Get());
    ASSERT_EQ(page.Connected(), S_OK);
    EXPECT_EQ(page.Title(), u"Media Type Restriction");
    EXPECT_TRUE(page.Checked(1190)) << "no restriction at first";
    page.Click(1192);
    for (int button = Types::kFirstButton; button <= Types::kLastButton; ++button)
        EXPECT_EQ(page.Checked(button), button == 1192) << button;
    EXPECT_EQ(page.Page()->IsPageDirty(), S_OK);
    EXPECT_EQ(page.Page()->Apply(), S_OK);
    GUID major = GUID_NULL, sub = GUID_NULL;
    EXPECT_EQ(m_switcher->GetTypeRestriction(&major, &sub), S_OK);
    EXPECT_EQ(major, MEDIATYPE_Video);
    EXPECT_EQ(sub, MEDIASUBTYPE_RGB24);
}

TEST_F(SwitcherPages, BothPagesRefuseAnObjectWithoutTheSwitcher)
{
    for (const CLSID* clsid : {&CLSID_SwitcherEventPage, &CLSID_SwitcherMediaTypePage}) {
        auto page = Create<IPropertyPage>(*clsid, IID_IPropertyPage);
        IUnknown* pins[] = {PinOf(m_filter.Get(), 0).Get()};
        EXPECT_EQ(page->SetObjects(1, pins), E_NOINTERFACE);
        EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED);
    }
}

} // namespace
