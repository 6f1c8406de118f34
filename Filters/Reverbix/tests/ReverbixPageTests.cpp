#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/testing/PageTesting.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Reverbix/ReverbixPages.h"

namespace {

using namespace plugin_test;
using Settings = CReverbixPage;
using Equalizer = CReverbixEqualizerPage;

class ReverbixPages : public WithModules {
protected:
    ReverbixPages() : WithModules({ModulePath("Reverbix"), ModulePath("Grabwell")}) {}
    void SetUp() override
    {
        WithModules::SetUp();
        m_filter = Create<IBaseFilter>(CLSID_Reverbix, IID_IBaseFilter);
        ASSERT_TRUE(m_filter);
        m_audio = Query<IKLAudioFilter>(m_filter.Get(), IID_IKLAudioFilter);
    }
    void TearDown() override
    {
        m_audio.Reset();
        m_grab.Reset();
        m_filter.Reset();
        m_sourceFilter.Reset();
        m_graph.Reset();
        WithModules::TearDown();
    }
    // A source, the filter and a grab filter, all connected.
    void ConnectBoth()
    {
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        ASSERT_EQ(m_graph->AddFilter(m_filter.Get(), u"Audio Resampler"), S_OK);
        auto* source = new PushSource(PcmType(44100, 16, 2), 4096, 2);
        m_sourceFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(source), IID_IBaseFilter);
        m_grab = Create<IBaseFilter>(CLSID_QuickGrab, IID_IBaseFilter);
        m_graph->AddFilter(m_sourceFilter.Get(), u"Source");
        m_graph->AddFilter(m_grab.Get(), u"Grab");
        ASSERT_EQ(Connect(m_graph.Get(), source->Pin(), PinOf(m_filter.Get(), 0).Get()), S_OK);
        ASSERT_EQ(Connect(m_graph.Get(), PinOf(m_filter.Get(), 1).Get(), PinOf(m_grab.Get(), 0).Get()), S_OK);
    }
    float Level(int band)
    {
        float decibels = -99.0f;
        m_audio->GetBandLevel(0, band, &decibels);
        return decibels;
    }
    com::ComPtr<IBaseFilter> m_filter;
    com::ComPtr<IKLAudioFilter> m_audio;
    com::ComPtr<IGraphBuilder> m_graph;
    com::ComPtr<IBaseFilter> m_sourceFilter;
    com::ComPtr<IBaseFilter> m_grab;
};

TEST_F(ReverbixPages, TheSettingsPageShowsTheFilterAndItsFftLabelsReadTwiceTheLength)
{
    m_audio->SetFFTLength(512);
    m_audio->SetFilterType(2);
    PageUnderTest page(CLSID_ReverbixSettingsPage, m_filter.Get());
    ASSERT_EQ(page.Connected(), S_OK);
    EXPECT_EQ(page.Title(), u"Filters");
    EXPECT_TRUE(page.Checked(1053));
    EXPECT_EQ(page.Text(1053), "1024");
    EXPECT_TRUE(page.Checked(Settings::kMuddy));
    int rate = 0;
    m_audio->GetOutputRate(&rate);
    EXPECT_EQ(page.Text(Settings::kRate), std::to_string(rate));
}

TEST_F(ReverbixPages, ClicksGoToTheFilterAtOnce)
{
    m_audio->SetFFTLength(512);
    PageUnderTest page(CLSID_ReverbixSettingsPage, m_filter.Get());
    page.Click(Settings::kReverb);
    int length = 0;
    m_audio->GetFFTLength(&length);
    EXPECT_EQ(length, 2048) << "the reverb needs 2048 points";
    EXPECT_TRUE(page.Checked(1055));
    EXPECT_EQ(page.Text(1055), "4096");

    page.Click(1051);
    m_audio->GetFFTLength(&length);
    EXPECT_EQ(length, 128);
    EXPECT_FALSE(page.Checked(Settings::kReverb)) << "a new length drops the reverb";

    page.Click(Settings::kAmRadio);
    int type = -1;
    m_audio->GetFilterType(&type);
    EXPECT_EQ(type, 1);
    page.Click(Settings::kDither);
    BYTE dither = 0;
    m_audio->GetDither(&dither);
    EXPECT_EQ(dither, 1);
    page.SetText(Settings::kRate, "22050");
    page.Command(Settings::kRate, EN_KILLFOCUS);
    int rate = 0;
    m_audio->GetOutputRate(&rate);
    EXPECT_EQ(rate, 22050);
    EXPECT_EQ(page.Page()->IsPageDirty(), S_FALSE) << "nothing is left for apply";
}

TEST_F(ReverbixPages, ARateTypedWhileTheOutputIsConnectedGivesWayToTheCurrentOne)
{
    ConnectBoth();
    int rate = 0;
    m_audio->GetOutputRate(&rate);
    PageUnderTest page(CLSID_ReverbixSettingsPage, m_filter.Get());
    page.SetText(Settings::kRate, "8000");
    page.Command(Settings::kRate, EN_KILLFOCUS);
    EXPECT_EQ(page.Text(Settings::kRate), std::to_string(rate));
    int after = 0;
    m_audio->GetOutputRate(&after);
    EXPECT_EQ(after, rate);
}

TEST_F(ReverbixPages, TheEqualizerPlacesItsBandsAndItsBarsAndPresetsSetLevels)
{
    PageUnderTest page(CLSID_ReverbixEqualiserPage, m_filter.Get());
    ASSERT_EQ(page.Connected(), S_OK);
    EXPECT_EQ(page.Title(), u"Equalizer");
    int count = 0;
    float frequencies[64] = {};
    m_audio->GetBandPoints(&count, frequencies);
    ASSERT_EQ(count, Equalizer::kBands);
    EXPECT_EQ(frequencies[5], 1000.0f);

    HWND bar = GetDlgItem(page.Dialog(), Equalizer::kFirstBar + 3);
    EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), 150) << "0 dB in the middle";
    SendMessageA(bar, TBM_SETPOS, TRUE, 0);
    SendMessageA(page.Dialog(), WM_VSCROLL, SB_THUMBPOSITION, reinterpret_cast<LPARAM>(bar));
    EXPECT_FLOAT_EQ(Level(3), 15.0f) << "the top is +15 dB";
    EXPECT_FLOAT_EQ(Level(4), 0.0f);

    page.Click(1019);
    for (int band = 0; band < Equalizer::kBands; ++band)
        EXPECT_FLOAT_EQ(Level(band), -15.0f) << band;
    EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), 300);
    page.Click(1014);
    EXPECT_FLOAT_EQ(Level(7), 0.0f);
    EXPECT_EQ(SendMessageA(bar, TBM_GETPOS, 0, 0), 150);
}

TEST_F(ReverbixPages, PositionsAndLevels)
{
    struct Case {
        float decibels;
        int position;
    };
    for (const Case& c : {Case{15.0f, 0}, Case{0.0f, 150}, Case{-15.0f, 300}, Case{2.55f, 124}}) {
        EXPECT_EQ(Equalizer::PositionOf(c.decibels), c.position) << c.decibels;
    }
    EXPECT_FLOAT_EQ(Equalizer::LevelAt(100), 5.0f);
}

} // namespace
