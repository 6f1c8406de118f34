// The audio-file player on the null audio device.

#include <cstdlib>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "Win32/Sb/Media/CQKLAudioPlayer.h"
#include "Win32/Sb/Media/tests/GraphTestSupport.h"

using namespace graph_test;

namespace {

class AudioPlayerTest : public GraphFolder {
protected:
    static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "kestrelon-none", 1); }

    std::u16string Tone(double seconds)
    {
        std::string path = Path("tone.wav");
        media_fixtures::SoundClip clip;
        clip.seconds = seconds;
        EXPECT_TRUE(media_fixtures::WriteSound(path, clip));
        return Wide(path);
    }
};

TEST(AudioPlayer, EmptyPlayerDoesNothing)
{
    CQKLAudioPlayer player;
    EXPECT_EQ(player.Run(), E_POINTER);
    EXPECT_EQ(player.Pause(), E_POINTER);
    EXPECT_EQ(player.Stop(), E_POINTER);
    EXPECT_EQ(player.IsAtEnd(), TRUE);
    EXPECT_EQ(player.IsPlaying(), FALSE);
    EXPECT_EQ(player.HandleGraphEvents(), E_FAIL);
    EXPECT_EQ(player.SetNotifyWindow(nullptr, 0x412, 0), E_FAIL);
    EXPECT_EQ(player.RenderFile(nullptr), E_POINTER);
}

TEST(AudioPlayer, PlayingFollowsTheGraphState)
{
    struct Case {
        OAFilterState state;
        HRESULT result;
        BOOL playing;
    };
    const Case cases[] = {
        {State_Running, S_OK, TRUE},
        {State_Paused, S_OK, FALSE},
        {State_Stopped, VFW_S_STATE_INTERMEDIATE, TRUE},
        // A graph whose state cannot be read is not playing.
        {State_Running, E_FAIL, FALSE},
    };
    for (const Case& each : cases) {
        ScriptedControl control;
        control.state = each.state;
        control.stateResult = each.result;
        CQKLAudioPlayer player;
        player.m_pControl = &control;
        EXPECT_EQ(player.IsPlaying(), each.playing) << each.state << " " << each.result;
        player.m_pControl.Reset();
    }
}

TEST_F(AudioPlayerTest, PlaysAWaveToItsEnd)
{
    std::u16string path = Tone(0.3);
    CQKLAudioPlayer player;
    ASSERT_EQ(player.RenderFile(path.c_str()), S_OK);
    EXPECT_EQ(player.IsAtEnd(), FALSE);
    ASSERT_TRUE(SUCCEEDED(player.Run()));
    EXPECT_EQ(player.IsPlaying(), TRUE);
    // The end of the stream stops the graph; bounded, never reached when
    // the player works.
    for (int i = 0; i < 400 && player.IsPlaying(); ++i)
        EXPECT_EQ(player.HandleGraphEvents(), S_OK);
    EXPECT_EQ(player.IsPlaying(), FALSE);
    EXPECT_EQ(player.Release(), S_OK);
    EXPECT_EQ(player.IsAtEnd(), TRUE);
}

TEST_F(AudioPlayerTest, RenderingAgainReleasesTheOldGraph)
{
    std::u16string path = Tone(0.2);
    CQKLAudioPlayer player;
    ASSERT_EQ(player.RenderFile(path.c_str()), S_OK);
    IGraphBuilder* first = player.m_pGraph.Get();
    first->AddRef();
    ASSERT_EQ(player.RenderFile(path.c_str()), S_OK);
    EXPECT_NE(player.m_pGraph.Get(), first);
    EXPECT_EQ(first->Release(), 0u);
}

TEST_F(AudioPlayerTest, FileWithoutSoundFails)
{
    std::string path = Path("nothing.wav");
    ASSERT_TRUE(media_fixtures::WriteBytes(path, {'n', 'o', 't', ' ', 's', 'o', 'u', 'n', 'd'}));
    CQKLAudioPlayer player;
    EXPECT_TRUE(FAILED(player.RenderFile(Wide(path).c_str())));
    EXPECT_EQ(player.Run(), E_POINTER);
}

} // namespace
