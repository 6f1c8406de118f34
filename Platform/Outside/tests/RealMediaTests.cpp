#include "Platform/Outside/RealMedia/RealMedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Outside/Testing/MediaFixtures.h"
#include "tests/support/TempDir.h"

namespace {

using media_fixtures::RealMediaClip;
using testing_support::TempDir;

struct EditCloser {
    void operator()(RMEDITFILE* file) const { RMEditClose(file); }
};
using EditPtr = std::unique_ptr<RMEDITFILE, EditCloser>;

RealMediaClip ClipWithTexts()
{
    RealMediaClip clip;
    clip.title = "Harbour at Dawn";
    clip.author = "Kestrelon Tests";
    clip.copyright = "(c) 2024 Kestrelon";
    clip.comment = "made by the test";
    return clip;
}

std::string WriteClip(const TempDir& folder, const RealMediaClip& clip, const std::string& name = "clip.rm")
{
    const std::string path = folder.File(name);
    EXPECT_TRUE(media_fixtures::WriteRealMedia(path, clip));
    return path;
}

EditPtr Open(const std::string& path)
{
    RMEDITFILE* file = nullptr;
    EXPECT_EQ(RMEditOpen(path.c_str(), &file), RMEDIT_OK) << path;
    return EditPtr(file);
}

std::string TextOf(RMEDITFILE* file, INT kind)
{
    char text[260] = "unchanged";
    EXPECT_EQ(RMEditGetText(file, kind, text, sizeof text), RMEDIT_OK);
    return text;
}

TEST(RealMedia, ClipOpensWithItsTexts)
{
    TempDir folder;
    const RealMediaClip clip = ClipWithTexts();
    EditPtr file = Open(WriteClip(folder, clip));
    ASSERT_TRUE(file);
    EXPECT_EQ(TextOf(file.get(), RMEDIT_TEXT_TITLE), clip.title);
    EXPECT_EQ(TextOf(file.get(), RMEDIT_TEXT_AUTHOR), clip.author);
    EXPECT_EQ(TextOf(file.get(), RMEDIT_TEXT_COPYRIGHT), clip.copyright);
    EXPECT_EQ(TextOf(file.get(), RMEDIT_TEXT_COMMENT), clip.comment);
}

TEST(RealMedia, MissingTextsAreEmptyAndLongTextsAreCut)
{
    TempDir folder;
    RealMediaClip clip;
    clip.title = std::string(300, 't');
    EditPtr file = Open(WriteClip(folder, clip));
    ASSERT_TRUE(file);
    EXPECT_EQ(TextOf(file.get(), RMEDIT_TEXT_AUTHOR), "");
    char shortBuffer[8];
    ASSERT_EQ(RMEditGetText(file.get(), RMEDIT_TEXT_TITLE, shortBuffer, sizeof shortBuffer), RMEDIT_OK);
    EXPECT_EQ(std::string(shortBuffer), "ttttttt");
    char text[8];
    EXPECT_EQ(RMEditGetText(file.get(), 4, text, sizeof text), RMEDIT_ERR_BAD_ARG);
}

TEST(RealMedia, StreamInfoGivesStreamsSizeAndDuration)
{
    TempDir folder;
    struct Case {
        bool video;
        bool audio;
    } const cases[] = {{true, false}, {false, true}, {true, true}};
    for (const Case& c : cases) {
        RealMediaClip clip;
        clip.video = c.video;
        clip.audio = c.audio;
        EditPtr file = Open(WriteClip(folder, clip, "streams.rm"));
        ASSERT_TRUE(file);
        RMSTREAMINFO info{};
        ASSERT_EQ(RMEditGetStreamInfo(file.get(), &info), RMEDIT_OK);
        EXPECT_EQ(info.bHasVideo, c.video ? TRUE : FALSE);
        EXPECT_EQ(info.bHasAudio, c.audio ? TRUE : FALSE);
        EXPECT_EQ(info.nVideoWidth, c.video ? clip.width : 0);
        EXPECT_EQ(info.nVideoHeight, c.video ? clip.height : 0);
        EXPECT_EQ(info.bHasEvents, FALSE);
        EXPECT_EQ(info.bHasImageMaps, FALSE);
        EXPECT_GE(info.nDurationMs, 800u) << "ten frames at ten per second";
        EXPECT_LE(info.nDurationMs, 1300u);
    }
}

TEST(RealMedia, PropertiesListTheClipTexts)
{
    TempDir folder;
    EditPtr file = Open(WriteClip(folder, ClipWithTexts()));
    ASSERT_TRUE(file);
    std::vector<std::string> names;
    char name[64];
    char value[256];
    for (INT i = 0; RMEditGetProperty(file.get(), i, name, sizeof name, value, sizeof value) == RMEDIT_OK; ++i)
        names.push_back(std::string(name) + "=" + value);
    EXPECT_NE(std::find(names.begin(), names.end(), "title=Harbour at Dawn"), names.end());
    EXPECT_EQ(RMEditGetProperty(file.get(), 1000, name, sizeof name, value, sizeof value), RMEDIT_ERR_NO_ITEM);
}

TEST(RealMedia, ThumbnailIsTheFirstPicture)
{
    TempDir folder;
    const RealMediaClip clip = ClipWithTexts();
    const std::string path = WriteClip(folder, clip);
    for (const std::string& url : {"file:" + path, path}) {
        BYTE* bits = nullptr;
        INT width = 0;
        INT height = 0;
        INT duration = 0;
        ASSERT_TRUE(GetRealThumb(url.c_str(), &bits, &width, &height, &duration)) << url;
        ASSERT_NE(bits, nullptr);
        EXPECT_EQ(width, clip.width);
        EXPECT_EQ(height, clip.height);
        EXPECT_GE(duration, 800);
        for (int y : {clip.height / 4, 3 * clip.height / 4}) {
            for (int x : {clip.width / 4, 3 * clip.width / 4}) {
                const BYTE* pixel = bits + (static_cast<size_t>(y) * width + x) * 3;
                const media_fixtures::Rgb expected = media_fixtures::PictureColorAt(x, y, clip.width, clip.height);
                EXPECT_NEAR(pixel[2], expected.r, 40) << x << "," << y;
                EXPECT_NEAR(pixel[1], expected.g, 40) << x << "," << y;
                EXPECT_NEAR(pixel[0], expected.b, 40) << x << "," << y;
            }
        }
        CleanupRealThumb(bits);
    }
}

TEST(RealMedia, AudioOnlyClipHasNoThumbnail)
{
    TempDir folder;
    RealMediaClip clip;
    clip.video = false;
    clip.audio = true;
    const std::string path = WriteClip(folder, clip);
    BYTE* bits = reinterpret_cast<BYTE*>(1);
    INT width = 0;
    INT height = 0;
    INT duration = 0;
    EXPECT_FALSE(GetRealThumb(("file:" + path).c_str(), &bits, &width, &height, &duration));
    EXPECT_EQ(bits, nullptr);
}

TEST(RealMedia, FilesThatAreNotRealMediaDoNotOpen)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    const std::string real = WriteClip(folder, ClipWithTexts());
    std::vector<unsigned char> head = media_fixtures::ReadBytes(real);
    head.resize(24);
    ASSERT_TRUE(media_fixtures::WriteBytes(folder.File("cut.rm"), head));
    ASSERT_TRUE(media_fixtures::WriteStill(folder.File("picture.rm"), media_fixtures::StillKind::Bmp24, 16, 16));
    const std::string paths[] = {
        folder.File("missing.rm"),
        folder.Write("empty.rm", ""),
        folder.Write("words.rm", "just some words, no clip here"),
        folder.File("picture.rm"),
        folder.File("cut.rm"),
    };
    for (const std::string& path : paths) {
        RMEDITFILE* file = reinterpret_cast<RMEDITFILE*>(1);
        EXPECT_EQ(RMEditOpen(path.c_str(), &file), RMEDIT_ERR_OPEN) << path;
        EXPECT_EQ(file, nullptr);
        BYTE* bits = nullptr;
        INT width = 0;
        INT height = 0;
        INT duration = 0;
        EXPECT_FALSE(GetRealThumb(path.c_str(), &bits, &width, &height, &duration)) << path;
    }
    EXPECT_EQ(RMEditOpen(nullptr, nullptr), RMEDIT_ERR_BAD_ARG);
}

TEST(RealMedia, TruncatedClipGivesNoThumbnailOrAWholeOne)
{
    media_fixtures::QuietMediaLogs();
    TempDir folder;
    std::vector<unsigned char> bytes = media_fixtures::ReadBytes(WriteClip(folder, ClipWithTexts()));
    for (size_t keep : {bytes.size() / 4, bytes.size() / 2, bytes.size() - 7}) {
        std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(keep));
        const std::string path = folder.File("cut.rm");
        ASSERT_TRUE(media_fixtures::WriteBytes(path, cut));
        BYTE* bits = nullptr;
        INT width = 0;
        INT height = 0;
        INT duration = 0;
        if (GetRealThumb(path.c_str(), &bits, &width, &height, &duration)) {
            EXPECT_EQ(width, 176);
            EXPECT_EQ(height, 144);
            CleanupRealThumb(bits);
        }
        RMEDITFILE* file = nullptr;
        if (RMEditOpen(path.c_str(), &file) == RMEDIT_OK) {
            RMSTREAMINFO info{};
            EXPECT_EQ(RMEditGetStreamInfo(file, &info), RMEDIT_OK);
            RMEditClose(file);
        }
    }
}

} // namespace
