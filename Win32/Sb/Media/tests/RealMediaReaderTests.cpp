#include "Win32/Sb/Media/RealMediaReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "tests/support/TempDir.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Sb/Media/tests/MediaTestSupport.h"

namespace {

using media_fixtures::RealMediaClip;
using media_tests::FramePtr;
using media_tests::HeightOf;
using media_tests::PixelAt;
using media_tests::WidthOf;
using testing_support::TempDir;

RealMediaClip ClipWithTexts()
{
    RealMediaClip clip;
    clip.title = "Harbour at Dawn";
    clip.author = "Kestrelon Tests";
    clip.copyright = "(c) 2024 Kestrelon";
    return clip;
}

std::string WriteClip(const TempDir& folder, const std::string& name, const RealMediaClip& clip = ClipWithTexts())
{
    const std::string path = folder.File(name);
    EXPECT_TRUE(media_fixtures::WriteRealMedia(path, clip));
    return path;
}

// The clip cut right after the header of its data chunk: it still reads,
// with its video stream, but holds no picture to take a thumbnail from.
std::string WriteClipWithoutThumbnail(const TempDir& folder, const std::string& name)
{
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(WriteClip(folder, name));
    const std::string tag = "DATA";
    const auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    EXPECT_NE(at, bytes.end());
    const size_t dataHeader = 18;
    bytes.resize(std::min(bytes.size(), static_cast<size_t>(at - bytes.begin()) + dataHeader));
    EXPECT_TRUE(media_fixtures::WriteBytes(folder.File(name), bytes));
    return folder.File(name);
}

// A program folder holding the decoration picture "realvideo.bmp": a 32 x 24
// picture of the test quadrants.
std::string ProgramFolderWithDecoration(const TempDir& folder)
{
    EXPECT_TRUE(media_fixtures::WriteStill(folder.File("realvideo.bmp"), media_fixtures::StillKind::Bmp24, 32, 24));
    return folder.Path() + "/";
}

FramePtr NextFrame(CMediaSource& source)
{
    INT failed = -1;
    FramePtr frame(source.GetFrame(&failed, 1, 0, nullptr));
    EXPECT_EQ(failed, 0);
    return frame;
}

void ExpectQuadrants(const CIplImage* image, int width, int height, int tolerance)
{
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(WidthOf(image), width);
    ASSERT_EQ(HeightOf(image), height);
    for (int y : {height / 4, 3 * height / 4}) {
        for (int x : {width / 4, 3 * width / 4}) {
            const COLORREF actual = PixelAt(image, x, y);
            const media_fixtures::Rgb expected = media_fixtures::PictureColorAt(x, y, width, height);
            EXPECT_NEAR(GetRValue(actual), expected.r, tolerance) << x << "," << y;
            EXPECT_NEAR(GetGValue(actual), expected.g, tolerance) << x << "," << y;
            EXPECT_NEAR(GetBValue(actual), expected.b, tolerance) << x << "," << y;
        }
    }
}

TEST(RealMediaReader, ClipOpensWithItsTextsWithoutTheDecorationPicture)
{
    TempDir clips;
    TempDir emptyProgramFolder;
    CRealMediaReader reader(WriteClip(clips, "clip.rm").c_str(), (emptyProgramFolder.Path() + "/").c_str());
    ASSERT_EQ(reader.IsOpen(), 1) << "no realvideo.bmp installed, and the clip opens";
    EXPECT_STREQ(reader.GetTitle(), "Harbour at Dawn");
    EXPECT_STREQ(reader.GetAuthor(), "Kestrelon Tests");
    EXPECT_STREQ(reader.GetRights(), "(c) 2024 Kestrelon");
    EXPECT_EQ(reader.HasProperties(), 1);
    EXPECT_NE(std::string(reader.GetProperties()).find("title: Harbour at Dawn\r\n"), std::string::npos);
    EXPECT_EQ(reader.HasVideo(), 1);
    EXPECT_EQ(reader.HasAudio(), 0);
    EXPECT_EQ(reader.HasEvents(), 0);
    EXPECT_EQ(reader.HasImageMaps(), 0);
    EXPECT_EQ(reader.m_nSourceWidth, 176);
    EXPECT_EQ(reader.m_nSourceHeight, 144);
    EXPECT_NEAR(reader.m_tLength.GetSeconds(), 1.0, 0.25) << "the clip's own duration";
}

TEST(RealMediaReader, FramesShowTheThumbnail)
{
    TempDir clips;
    CRealMediaReader reader(WriteClip(clips, "clip.rm").c_str(), (clips.Path() + "/").c_str());
    ASSERT_EQ(reader.IsOpen(), 1);
    ASSERT_NE(reader.m_pThumbBits, nullptr);
    for (int i = 0; i < 3; ++i)
        ExpectQuadrants(NextFrame(reader)->m_pImage, 176, 144, 40);
}

TEST(RealMediaReader, MediaFileGivesBothLetterCasesTheRealMediaReader)
{
    TempDir clips;
    for (const char* name : {"upper.RM", "lower.rm"}) {
        CMediaFile file(WriteClip(clips, name).c_str());
        EXPECT_EQ(file.m_nType, CMediaFile::kTypeVideo);
        CMediaSource* reader = nullptr;
        ASSERT_EQ(file.CreateReader(&reader), 0) << name;
        std::unique_ptr<CMediaSource> owned(reader);
        ASSERT_NE(dynamic_cast<CRealMediaReader*>(reader), nullptr) << name;
        EXPECT_STREQ(reader->GetTitle(), "Harbour at Dawn") << name;
    }
}

TEST(RealMediaReader, ClipWithoutThumbnailShowsTheDecorationPicture)
{
    TempDir clips;
    CRealMediaReader reader(WriteClipWithoutThumbnail(clips, "nothumb.rm").c_str(),
                            ProgramFolderWithDecoration(clips).c_str());
    ASSERT_EQ(reader.IsOpen(), 1);
    EXPECT_EQ(reader.m_pThumbBits, nullptr);
    EXPECT_STREQ(reader.GetTitle(), "Harbour at Dawn");
    EXPECT_NEAR(reader.m_tLength.GetSeconds(), 5.0, 1e-9);
    reader.SetOutputSize(CGfxSize(32, 24));
    for (int i = 0; i < 3; ++i)
        ExpectQuadrants(NextFrame(reader)->m_pImage, 32, 24, 0);
}

TEST(RealMediaReader, ClipWithoutThumbnailOrDecorationStillOpens)
{
    TempDir clips;
    TempDir emptyProgramFolder;
    CRealMediaReader reader(WriteClipWithoutThumbnail(clips, "nothumb.rm").c_str(),
                            (emptyProgramFolder.Path() + "/").c_str());
    ASSERT_EQ(reader.IsOpen(), 1);
    FramePtr frame = NextFrame(reader);
    ASSERT_NE(frame->m_pImage, nullptr);
    EXPECT_EQ(WidthOf(frame->m_pImage), 176);
    EXPECT_EQ(PixelAt(frame->m_pImage, 10, 10), RGB(0, 0, 0)) << "black frames of the clip's size";
}

TEST(RealMediaReader, FilesThatAreNotRealMediaDoNotOpen)
{
    media_fixtures::QuietMediaLogs();
    TempDir clips;
    const std::string programFolder = ProgramFolderWithDecoration(clips);
    std::vector<unsigned char> clip = media_fixtures::ReadBytes(WriteClip(clips, "clip.rm"));
    clip.resize(30);
    ASSERT_TRUE(media_fixtures::WriteBytes(clips.File("cut.rm"), clip));
    ASSERT_TRUE(media_fixtures::WriteStill(clips.File("picture.rm"), media_fixtures::StillKind::Png24, 16, 16));
    for (const std::string& path : {clips.Write("words.rm", "no clip in here"), clips.File("picture.rm"),
                                    clips.File("cut.rm"), clips.File("gone.rm")}) {
        CRealMediaReader reader(path.c_str(), programFolder.c_str());
        EXPECT_EQ(reader.IsOpen(), 0) << path << ": a decoration picture does not make a clip";
        EXPECT_EQ(reader.GetTitle(), nullptr);
    }
    CMediaSource* made = reinterpret_cast<CMediaSource*>(1);
    EXPECT_EQ(CMediaFile(clips.File("words.rm").c_str()).CreateReader(&made), 259);
    EXPECT_EQ(made, nullptr);
}

} // namespace
