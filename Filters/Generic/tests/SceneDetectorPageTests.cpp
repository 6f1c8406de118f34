#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/testing/PageTesting.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Generic/SceneDetectorPage.h"

namespace {

using namespace plugin_test;
using Page = CSceneDetectorPage;

class SceneDetectorPages : public WithModules {
protected:
    SceneDetectorPages() : WithModules({ModulePath("Generic"), ModulePath("Grabwell")}) {}
    void SetUp() override
    {
        WithModules::SetUp();
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_filter = Create<IBaseFilter>(CLSID_SceneDetector, IID_IBaseFilter);
        ASSERT_TRUE(m_filter);
        m_detector = Query<IKLSceneDetector>(m_filter.Get(), IID_IKLSceneDetector);
        ASSERT_EQ(m_graph->AddFilter(m_filter.Get(), u"Scene Detector"), S_OK);
    }
    void TearDown() override
    {
        m_detector.Reset();
        m_filter.Reset();
        m_graph.Reset();
        WithModules::TearDown();
    }
    // A source of 100 seconds, the detector and a grab filter.
    void Build()
    {
        m_source = new PushSource(Rgb24Type(8, 8, 400000), 8 * 8 * 3);
        m_sourceFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_source), IID_IBaseFilter);
        m_grab = Create<IBaseFilter>(CLSID_QuickGrab, IID_IBaseFilter);
        m_graph->AddFilter(m_sourceFilter.Get(), u"Source");
        m_graph->AddFilter(m_grab.Get(), u"Grab");
        ASSERT_EQ(Connect(m_graph.Get(), m_source->Pin(), PinOf(m_filter.Get(), 0).Get()), S_OK);
        ASSERT_EQ(Connect(m_graph.Get(), PinOf(m_filter.Get(), 1).Get(), PinOf(m_grab.Get(), 0).Get()), S_OK);
    }
    com::ComPtr<IGraphBuilder> m_graph;
    com::ComPtr<IBaseFilter> m_filter;
    com::ComPtr<IKLSceneDetector> m_detector;
    PushSource* m_source = nullptr;
    com::ComPtr<IBaseFilter> m_sourceFilter;
    com::ComPtr<IBaseFilter> m_grab;
};

TEST_F(SceneDetectorPages, WithoutADurationThePositionBarStaysAtTheStart)
{
    PageUnderTest page(CLSID_SceneDetectorPage, m_filter.Get());
    ASSERT_EQ(page.Connected(), S_OK);
    EXPECT_EQ(page.Title(), u"Seek Graph");
    EXPECT_EQ(SendDlgItemMessageA(page.Dialog(), Page::kPositionBar, TBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(page.Text(Page::kPositionText), "      0.00");
    EXPECT_EQ(page.Text(Page::kScenesText), "Detected        0 Scenes");
}

TEST_F(SceneDetectorPages, MovingThePositionBarSeeksAndMarksThePage)
{
    Build();
    PageUnderTest page(CLSID_SceneDetectorPage, m_filter.Get());
    HWND bar = GetDlgItem(page.Dialog(), Page::kPositionBar);
    SendMessageA(bar, TBM_SETPOS, TRUE, 500);
    SendMessageA(page.Dialog(), WM_HSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(page.Page()->IsPageDirty(), S_OK);
    EXPECT_EQ(page.StatusChanges(), std::vector<DWORD>{PROPPAGESTATUS_DIRTY});
    const std::vector<REFERENCE_TIME> seeks = m_source->Seeks();
    ASSERT_FALSE(seeks.empty());
    EXPECT_EQ(seeks.back(), 50 * kSecond) << "half of the 100 seconds";
}

TEST_F(SceneDetectorPages, ApplySetsTheSensitivityOfTheBar)
{
    Build();
    PageUnderTest page(CLSID_SceneDetectorPage, m_filter.Get());
    SendDlgItemMessageA(page.Dialog(), Page::kSensitivityBar, TBM_SETPOS, TRUE, 50);
    page.Click(Page::kFrameOn);
    EXPECT_EQ(page.Page()->IsPageDirty(), S_OK) << "a command marks the page";
    EXPECT_EQ(page.Page()->Apply(), S_OK);
    double sensitivity = 0, window = 0;
    EXPECT_EQ(m_detector->GetParameters(&sensitivity, &window), S_OK);
    EXPECT_DOUBLE_EQ(sensitivity, 0.5) << "a threshold of 3.0";
}

} // namespace
