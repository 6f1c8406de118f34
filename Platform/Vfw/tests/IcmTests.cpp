#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Platform/Vfw/CompressorTable.h"
#include "Platform/Vfw/Vfw.h"

namespace {

std::u16string Description(const ICINFO& info) { return info.szDescription; }

BITMAPINFOHEADER Header(LONG width, LONG height, WORD bits)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = BI_RGB;
    return header;
}

TEST(Icm, EnumeratesEveryInstalledCompressorByIndexAndFindsItByHandler)
{
    ICINFO info{};
    DWORD count = 0;
    while (ICInfo(ICTYPE_VIDEO, count, &info)) {
        EXPECT_EQ(info.dwSize, sizeof(ICINFO));
        EXPECT_EQ(info.fccType, ICTYPE_VIDEO);
        ICINFO byHandler{};
        ASSERT_TRUE(ICInfo(ICTYPE_VIDEO, info.fccHandler, &byHandler));
        EXPECT_EQ(byHandler.fccHandler, info.fccHandler);
        EXPECT_FALSE(Description(byHandler).empty());
        ++count;
    }
    // Every row of the table is backed by an encoder of this FFmpeg.
    EXPECT_EQ(count, vfw::StandardCompressors().size());
}

TEST(Icm, HandlersAreComparedWithoutCaseAndUnknownOnesAreNotFound)
{
    ICINFO info{};
    EXPECT_TRUE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('D', 'V', 'S', 'D'), &info));
    EXPECT_EQ(info.fccHandler, mmioFOURCC('d', 'v', 's', 'd'));
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('I', 'V', '5', '0'), &info));
    EXPECT_FALSE(ICInfo(ICTYPE_AUDIO, mmioFOURCC('M', 'J', 'P', 'G'), &info));
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, mmioFOURCC('I', 'V', '3', '2'), ICMODE_QUERY), nullptr);
}

TEST(Icm, QueryModeAnswersTheProbeQuestions)
{
    HIC hic = ICOpen(ICTYPE_VIDEO, mmioFOURCC('c', 'v', 'i', 'd'), ICMODE_QUERY);
    ASSERT_NE(hic, nullptr);
    ICINFO info{};
    EXPECT_EQ(ICGetInfo(hic, &info, sizeof info), static_cast<LRESULT>(sizeof info));
    EXPECT_EQ(Description(info), u"Cinepak Codec");
    EXPECT_NE(info.dwFlags & VIDCF_TEMPORAL, 0u);
    EXPECT_NE(info.dwFlags & VIDCF_QUALITY, 0u);
    DWORD keyRate = 0;
    DWORD quality = 0;
    EXPECT_EQ(ICSendMessage(hic, ICM_GETDEFAULTKEYFRAMERATE, reinterpret_cast<DWORD_PTR>(&keyRate), 4), ICERR_OK);
    EXPECT_EQ(ICSendMessage(hic, ICM_GETDEFAULTQUALITY, reinterpret_cast<DWORD_PTR>(&quality), 4), ICERR_OK);
    EXPECT_EQ(keyRate, 15u);
    EXPECT_EQ(quality, 7500u);
    // No dialog, no state block.
    EXPECT_EQ(ICSendMessage(hic, ICM_CONFIGURE, static_cast<DWORD_PTR>(-1), 0), ICERR_UNSUPPORTED);
    EXPECT_FALSE(ICQueryConfigure(hic));
    EXPECT_EQ(ICConfigure(hic, nullptr), ICERR_UNSUPPORTED);
    EXPECT_EQ(ICGetStateSize(hic), 0u);
    EXPECT_EQ(ICClose(hic), ICERR_OK);
    EXPECT_EQ(ICClose(hic), ICERR_BADHANDLE);
    EXPECT_EQ(ICSendMessage(hic, ICM_GETINFO, 0, 0), ICERR_BADHANDLE);
}

struct DepthCase {
    FOURCC handler;
    WORD bits;
    bool accepted;
    WORD outputBits;
};

// The depth negotiation of the AVI writer and the probe: offered 24, 16 and
// 8 bits, Video 1 takes only 16, the others 24 (and 16 or 32), none 8.
TEST(Icm, CompressQueryAndOutputFormatFollowEachRowsDepths)
{
    const DepthCase cases[] = {
        {mmioFOURCC('M', 'S', 'V', 'C'), 24, false, 0}, {mmioFOURCC('M', 'S', 'V', 'C'), 16, true, 16},
        {mmioFOURCC('C', 'R', 'A', 'M'), 16, true, 16}, {mmioFOURCC('M', 'J', 'P', 'G'), 24, true, 24},
        {mmioFOURCC('M', 'J', 'P', 'G'), 8, false, 0},  {mmioFOURCC('M', 'P', '4', '2'), 32, true, 24},
        {mmioFOURCC('H', 'F', 'Y', 'U'), 16, false, 0}, {mmioFOURCC('c', 'v', 'i', 'd'), 24, true, 24},
    };
    for (const DepthCase& c : cases) {
        HIC hic = ICOpen(ICTYPE_VIDEO, c.handler, ICMODE_QUERY);
        ASSERT_NE(hic, nullptr);
        BITMAPINFOHEADER in = Header(320, 240, c.bits);
        EXPECT_EQ(ICCompressQuery(hic, &in, nullptr) == ICERR_OK, c.accepted) << c.bits;
        if (c.accepted) {
            ASSERT_EQ(ICCompressGetFormatSize(hic, &in), static_cast<LRESULT>(sizeof(BITMAPINFOHEADER)));
            BITMAPINFOHEADER out{};
            ASSERT_EQ(ICCompressGetFormat(hic, &in, &out), ICERR_OK);
            EXPECT_EQ(out.biBitCount, c.outputBits);
            EXPECT_EQ(out.biPlanes, 1);
            EXPECT_EQ(out.biWidth, 320);
            EXPECT_EQ(out.biHeight, 240);
            EXPECT_EQ(ICCompressQuery(hic, &in, &out), ICERR_OK);
        } else {
            EXPECT_LT(ICCompressGetFormatSize(hic, &in), 0);
        }
        ICClose(hic);
    }
}

TEST(Icm, DvTakesOnlyDvFrameSizes)
{
    HIC hic = ICOpen(ICTYPE_VIDEO, mmioFOURCC('d', 'v', 's', 'd'), ICMODE_QUERY);
    ASSERT_NE(hic, nullptr);
    for (const auto& [width, height, accepted] :
         {std::tuple{720, 480, true}, std::tuple{720, 576, true}, std::tuple{640, 480, false}}) {
        BITMAPINFOHEADER in = Header(width, height, 24);
        EXPECT_EQ(ICCompressQuery(hic, &in, nullptr) == ICERR_OK, accepted) << width << "x" << height;
    }
    ICClose(hic);
}

TEST(Icm, CompressesFramesWithKeyFlags)
{
    HIC hic = ICOpen(ICTYPE_VIDEO, mmioFOURCC('M', 'P', '4', '2'), ICMODE_COMPRESS);
    ASSERT_NE(hic, nullptr);
    BITMAPINFOHEADER in = Header(64, 48, 24);
    BITMAPINFOHEADER out{};
    ASSERT_EQ(ICCompressGetFormat(hic, &in, &out), ICERR_OK);
    ICCOMPRESSFRAMES frames{};
    frames.lQuality = 9000;
    frames.lKeyRate = 3;
    frames.dwRate = 25;
    frames.dwScale = 1;
    ASSERT_EQ(ICSendMessage(hic, ICM_COMPRESS_FRAMES_INFO, reinterpret_cast<DWORD_PTR>(&frames), sizeof frames),
              ICERR_OK);
    ASSERT_EQ(ICCompressBegin(hic, &in, &out), ICERR_OK);
    std::vector<BYTE> bits(64 * 48 * 3);
    std::vector<BYTE> packet(static_cast<std::size_t>(ICCompressGetSize(hic, &in, &out)));
    std::vector<bool> keys;
    for (LONG frame = 0; frame < 6; ++frame) {
        for (std::size_t i = 0; i < bits.size(); ++i)
            bits[i] = static_cast<BYTE>(i * 7 + frame * 13);
        DWORD flags = 0;
        DWORD ckid = 0;
        ASSERT_EQ(ICCompress(hic, frame == 0 ? ICCOMPRESS_KEYFRAME : 0, &out, packet.data(), &in, bits.data(), &ckid,
                             &flags, frame, 0, ICQUALITY_DEFAULT, nullptr, nullptr),
                  static_cast<DWORD>(ICERR_OK));
        EXPECT_GT(out.biSizeImage, 0u);
        keys.push_back((flags & AVIIF_KEYFRAME) != 0);
    }
    EXPECT_EQ(keys, (std::vector<bool>{true, false, false, true, false, false}));
    EXPECT_EQ(ICCompressEnd(hic), ICERR_OK);
    ICClose(hic);
}

TEST(Icm, ATableOfTheCallersOwnReplacesTheStandardOne)
{
    static const vfw::CompressorRow fake[] = {
        {mmioFOURCC('M', 'J', 'P', 'G'), u"Fake", u"Fake MJPEG QKLM", "mjpeg", 0, vfw::kDepth24, 24,
         vfw::SizeRule::Any, 1, 5000},
        {mmioFOURCC('X', 'X', 'X', 'X'), u"None", u"Not installed", "no-such-encoder", 0, vfw::kDepth24, 24,
         vfw::SizeRule::Any, 1, 5000},
    };
    vfw::OverrideCompressors(fake);
    ICINFO info{};
    EXPECT_TRUE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('M', 'J', 'P', 'G'), &info));
    EXPECT_EQ(Description(info), u"Fake MJPEG QKLM");
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('X', 'X', 'X', 'X'), &info));
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, 1, &info));
    vfw::RestoreCompressors();
    EXPECT_TRUE(ICInfo(ICTYPE_VIDEO, mmioFOURCC('M', 'J', 'P', 'G'), &info));
    EXPECT_EQ(Description(info), u"Motion JPEG");
}

} // namespace
