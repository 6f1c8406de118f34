#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Win32/Sb/Document/ProductionSettings.h"

namespace {

// The little-endian value of `size` bytes at `offset` of the record.
DWORD BytesAt(const ProductionParams& params, size_t offset, size_t size)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(&params);
    DWORD value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= DWORD{bytes[offset + i]} << (8 * i);
    return value;
}

TEST(ProductionParams, DefaultsLieAtTheirOffsets)
{
    struct Field {
        size_t offset;
        size_t size;
        DWORD value;
        const char* what;
    } const fields[] = {
        {0, 4, 0, "output path"},
        {260, 4, 0, "second path"},
        {520, 4, 1, "output type AVI"},
        {524, 4, 320, "width"},
        {528, 4, 240, "height"},
        {532, 4, 66667, "frame time"},
        {536, 2, 24, "bits per pixel"},
        {540, 4, 0x73646976, "fccType 'vids'"},
        {544, 4, 0x20424944, "fccHandler 'DIB '"},
        {548, 4, 7, "key frame every"},
        {552, 4, 10000, "quality"},
        {556, 4, 153000, "bytes per second"},
        {560, 4, 14, "flags"},
        {564, 4, 728, "format slot: the record's own header"},
        {568, 4, 40, "format size"},
        {572, 4, 0, "state slot"},
        {576, 4, 0, "state size"},
        {580, 4, 0, "interleave"},
        {584, 4, 1, "writer parameter"},
        {588, 4, 4, "writer parameter"},
        {592, 4, 2, "value A"},
        {600, 4, 352, "MPEG width"},
        {604, 4, 240, "MPEG height"},
        {612, 4, 0, "GOP"},
        {620, 4, 0, "MPEG format"},
        {628, 4, 0, "MPEG bit rate"},
        {648, 4, 0, "audio options"},
        {712, 4, 0, "PCM index"},
        {716, 4, 0, "DV index"},
        {728, 4, 40, "biSize"},
        {732, 4, 320, "biWidth"},
        {736, 4, 240, "biHeight"},
        {740, 2, 1, "biPlanes"},
        {742, 2, 24, "biBitCount"},
        {744, 4, 0, "biCompression"},
        {748, 4, 230400, "biSizeImage"},
        {764, 4, 0, "biClrImportant"},
    };
    const ProductionParams params;
    for (const Field& field : fields)
        EXPECT_EQ(BytesAt(params, field.offset, field.size), field.value) << field.offset << " " << field.what;
    CProductionSettings settings;
    EXPECT_EQ(settings.GetFormat(), &settings.GetParams().m_Format);
    EXPECT_EQ(settings.m_bSelectionOnly, 0);
    EXPECT_EQ(settings.GetCodecCount(), 0);
    EXPECT_TRUE(settings.GetTitle().IsEmpty());
}

TEST(ProductionParams, AWholeRecordCopyPointsItsFormatAtItsOwnHeader)
{
    ProductionParams stored;
    stored.m_nOutputType = CProductionSettings::kDv;
    stored.m_Format.biWidth = 720;
    // A record from a 32-bit template holds that program's address here.
    stored.m_Compress.lpFormat = 0x0012F3A8;
    stored.m_Compress.cbParms = 4;
    stored.m_Compress.lpParms = 0x00150000;
    ProductionParams copy;
    copy.CopyFrom(stored);
    EXPECT_EQ(copy.m_Compress.lpFormat, 728u);
    EXPECT_EQ(copy.m_nOutputType, CProductionSettings::kDv);
    EXPECT_EQ(copy.m_Format.biWidth, 720);

    CProductionSettings settings;
    const BYTE state[4] = {1, 2, 3, 4};
    settings.SetParams(stored, state);
    EXPECT_EQ(settings.GetParams().m_Compress.lpFormat, 728u);
    EXPECT_EQ(settings.GetFormat()->biWidth, 720);
    ASSERT_NE(settings.GetCompressorState(), nullptr);
    EXPECT_NE(settings.GetCompressorState(), static_cast<const void*>(state));
    EXPECT_EQ(std::memcmp(settings.GetCompressorState(), state, 4), 0);
    EXPECT_EQ(settings.GetParams().m_Compress.cbParms, 4u);
    settings.SetParams(ProductionParams(), nullptr);
    EXPECT_EQ(settings.GetCompressorState(), nullptr);
    EXPECT_EQ(settings.GetParams().m_Compress.cbParms, 0u);
}

TEST(ProductionSettings, RangedSettersKeepTheOldValueOutsideTheirRange)
{
    struct Case {
        const char* what;
        void (CProductionSettings::*set)(INT);
        INT (CProductionSettings::*get)() const;
        std::vector<INT> kept;
        std::vector<INT> stored;
    } const cases[] = {
        {"bit rate", &CProductionSettings::SetMpegBitRate, &CProductionSettings::GetMpegBitRate, {399999, 15000001, -1},
         {400000, 15000000}},
        {"rate code", &CProductionSettings::SetMpegFrameRateCode, &CProductionSettings::GetMpegFrameRateCode, {0, 6},
         {1, 5}},
        {"mode", &CProductionSettings::SetMpegMode, &CProductionSettings::GetMpegMode, {-1, 6}, {0, 5}},
        {"stereo", &CProductionSettings::SetMpegStereo, &CProductionSettings::GetMpegStereo, {2, -1}, {1, 0}},
        {"rate index", &CProductionSettings::SetMpegAudioRateIndex, &CProductionSettings::GetMpegAudioRateIndex,
         {10, -1}, {9, 0}},
        {"sample rate", &CProductionSettings::SetMpegSampleRate, &CProductionSettings::GetMpegSampleRate,
         {32000, 22050}, {44100, 48000}},
    };
    for (const Case& c : cases) {
        CProductionSettings settings;
        for (INT value : c.stored) {
            (settings.*c.set)(value);
            EXPECT_EQ((settings.*c.get)(), value) << c.what;
        }
        const INT before = (settings.*c.get)();
        for (INT value : c.kept) {
            (settings.*c.set)(value);
            EXPECT_EQ((settings.*c.get)(), before) << c.what << " " << value;
        }
    }
    CProductionSettings settings;
    settings.SetMpegPresetValue(16);
    EXPECT_EQ(settings.GetParams().m_nMpegEncoder[3], 0);
    settings.SetMpegPresetValue(15);
    EXPECT_EQ(BytesAt(settings.GetParams(), 644, 4), 15u);
}

TEST(ProductionSettings, MpegFormatSetsItsPictureGroupAndARefusedFormatChangesNothing)
{
    CProductionSettings settings;
    settings.SetMpegFormat(2);
    EXPECT_EQ(settings.GetMpegFormat(), 2);
    EXPECT_EQ(settings.GetParams().m_nMpegGop, 15);
    EXPECT_EQ(settings.GetParams().m_nMpegAnchor, 3);
    settings.SetMpegFormat(7);
    EXPECT_EQ(settings.GetMpegFormat(), 2);
    EXPECT_EQ(settings.GetParams().m_nMpegGop, 15);
    settings.SetMpegFormat(-1);
    EXPECT_EQ(settings.GetParams().m_nMpegGop, 15);
    settings.SetMpegFormat(1);
    EXPECT_EQ(settings.GetParams().m_nMpegGop, 12);
    EXPECT_EQ(settings.GetParams().m_nMpegAnchor, 3);
}

TEST(ProductionSettings, MpegFrameSizeAlsoSizesTheOutputAndAudioOptionsSelect)
{
    CProductionSettings settings;
    settings.SetMpegFrameSize(352, 288);
    INT width = 0;
    INT height = 0;
    settings.GetMpegFrameSize(&width, &height);
    EXPECT_EQ(width, 352);
    EXPECT_EQ(height, 288);
    EXPECT_EQ(settings.GetParams().m_nWidth, 352);
    EXPECT_EQ(settings.GetParams().m_nHeight, 288);

    EXPECT_EQ(settings.SelectAudioOption(2, 1, 0), 2);
    EXPECT_EQ(settings.SelectAudioOption(4, 48000, 1), 4);
    EXPECT_EQ(settings.GetMpegStereo(), 1);
    EXPECT_EQ(settings.GetMpegSampleRate(), 48000);
    settings.SelectAudioOption(0, 3, 0);
    EXPECT_EQ(settings.GetMpegStereo(), 0);
    EXPECT_EQ(settings.GetMpegMode(), 3);
    settings.SelectAudioOption(6, 1, 1);
    settings.SetAudioFlag3(9);
    settings.SetParamB(5);
    EXPECT_EQ(BytesAt(settings.GetParams(), 680, 4), 9u);
    EXPECT_EQ(BytesAt(settings.GetParams(), 596, 4), 5u);
}

TEST(ProductionSettings, AudioFormatsOfTheOutputTypes)
{
    struct Case {
        INT type;
        INT pcmIndex;
        INT dvIndex;
        WORD channels;
        DWORD rate;
        WORD bits;
        WORD align;
        DWORD bytes;
        INT ok;
    } const cases[] = {
        {1, 0, 0, 1, 11025, 8, 1, 11025, 0},
        {1, 1, 0, 0, 0, 8, 0, 0, 1},
        {1, 2, 0, 1, 11025, 8, 1, 11025, 1},
        {1, 5, 0, 2, 11025, 16, 4, 44100, 1},
        {1, 9, 0, 2, 22050, 16, 4, 88200, 1},
        {4, 10, 0, 1, 44100, 8, 1, 44100, 1},
        {5, 13, 0, 2, 44100, 16, 4, 176400, 1},
        {1, 14, 0, 1, 11025, 8, 1, 11025, 0},
        {1, -3, 0, 1, 11025, 8, 1, 11025, 0},
        {3, 0, 0, 2, 32000, 16, 4, 128000, 1},
        {3, 0, 1, 2, 0, 16, 4, 0, 1},
        {3, 0, 2, 2, 44100, 16, 4, 176400, 1},
        {3, 0, 3, 2, 48000, 16, 4, 192000, 1},
        {3, 0, 4, 2, 0, 16, 4, 0, 0},
    };
    for (const Case& c : cases) {
        CProductionSettings settings;
        settings.GetParams().m_nOutputType = c.type;
        settings.GetParams().m_nPcmFormatIndex = c.pcmIndex;
        settings.GetParams().m_nDvAudioIndex = c.dvIndex;
        WAVEFORMATEX format{};
        INT ok = -1;
        settings.GetAudioFormat(&format, &ok);
        const std::string what = "type " + std::to_string(c.type) + " pcm " + std::to_string(c.pcmIndex) + " dv "
            + std::to_string(c.dvIndex);
        EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM) << what;
        EXPECT_EQ(format.nChannels, c.channels) << what;
        EXPECT_EQ(format.nSamplesPerSec, c.rate) << what;
        EXPECT_EQ(format.wBitsPerSample, c.bits) << what;
        EXPECT_EQ(format.nBlockAlign, c.align) << what;
        EXPECT_EQ(format.nAvgBytesPerSec, c.bytes) << what;
        EXPECT_EQ(ok, c.ok) << what;
    }
    CProductionSettings mpeg;
    mpeg.GetParams().m_nOutputType = CProductionSettings::kMpeg;
    mpeg.SetMpegStereo(1);
    mpeg.SetMpegSampleRate(48000);
    WAVEFORMATEX format{};
    INT ok = 0;
    mpeg.GetAudioFormat(&format, &ok);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nAvgBytesPerSec, 192000u);
    EXPECT_EQ(ok, 1);
}

TEST(ProductionSettings, StreamFormatsOfMpegAndWindowsMedia)
{
    CProductionSettings settings;
    settings.SetOutputType(CProductionSettings::kMpeg);
    settings.SetMpegBitRate(4000000);
    settings.SetMpegStereo(1);
    settings.SetMpegSampleRate(44100);
    WAVEFORMATEX format{};
    format.wFormatTag = 0x55;
    INT bytes = 0;
    settings.GetStreamAudioFormat(&bytes, &format);
    EXPECT_EQ(format.wFormatTag, 0x55);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(bytes, 176400);

    // After a switch Windows Media never reads MPEG's words as its sound.
    settings.SetOutputType(CProductionSettings::kWindowsMedia);
    format = WAVEFORMATEX{};
    settings.GetStreamAudioFormat(&bytes, &format);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.wBitsPerSample, 16);
    EXPECT_EQ(bytes, 176400);

    WAVEFORMATEX wide{WAVE_FORMAT_PCM, 6, 22050, 0, 0, 8, 0};
    settings.GetParams().SetWindowsMediaFormat(wide);
    EXPECT_EQ(BytesAt(settings.GetParams(), 630, 2), 6u);
    EXPECT_EQ(BytesAt(settings.GetParams(), 632, 4), 22050u);
    EXPECT_EQ(BytesAt(settings.GetParams(), 642, 2), 8u);
    settings.GetStreamAudioFormat(&bytes, &format);
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(bytes, 44100);

    // Nor MPEG Windows Media's sound as its bit rate.
    settings.SetOutputType(CProductionSettings::kMpeg);
    EXPECT_EQ(settings.GetMpegBitRate(), 0);

    // Other types leave the format alone.
    settings.SetOutputType(CProductionSettings::kAvi);
    format = WAVEFORMATEX{};
    bytes = -1;
    settings.GetStreamAudioFormat(&bytes, &format);
    EXPECT_EQ(bytes, -1);
    EXPECT_EQ(format.nChannels, 0);
}

// A compressor registry of scripted entries: handler, description, whether
// it opens for compression, the depths it accepts and its format size.
struct FakeCompressor {
    DWORD handler;
    std::u16string description;
    bool compresses;
    std::vector<WORD> depths;
    LRESULT formatSize;
};

struct FakeRegistry {
    static inline std::vector<FakeCompressor> s_compressors;
    static inline int s_open = 0;
    static inline std::vector<WORD> s_queried;

    static const FakeCompressor* Find(DWORD handler)
    {
        for (const FakeCompressor& c : s_compressors) {
            if (c.handler == handler)
                return &c;
        }
        return nullptr;
    }
    static void Fill(const FakeCompressor& c, ICINFO* info)
    {
        *info = ICINFO{};
        info->dwSize = sizeof(ICINFO);
        info->fccType = ICTYPE_VIDEO;
        info->fccHandler = c.handler;
        std::copy(c.description.begin(), c.description.end(), info->szDescription);
    }
    static BOOL Info(DWORD, DWORD handler, ICINFO* info)
    {
        if (handler < s_compressors.size()) {
            Fill(s_compressors[handler], info);
            return TRUE;
        }
        const FakeCompressor* c = Find(handler);
        if (c != nullptr)
            Fill(*c, info);
        return c != nullptr;
    }
    static HIC Open(DWORD, DWORD handler, UINT mode)
    {
        const FakeCompressor* c = Find(handler);
        if (c == nullptr || (mode == ICMODE_COMPRESS && !c->compresses))
            return nullptr;
        ++s_open;
        return reinterpret_cast<HIC>(const_cast<FakeCompressor*>(c));
    }
    static LRESULT GetInfo(HIC hic, ICINFO* info, DWORD)
    {
        Fill(*reinterpret_cast<const FakeCompressor*>(hic), info);
        return sizeof(ICINFO);
    }
    static LRESULT Send(HIC hic, UINT msg, DWORD_PTR in, DWORD_PTR)
    {
        const auto* c = reinterpret_cast<const FakeCompressor*>(hic);
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(in);
        if (msg == ICM_COMPRESS_QUERY) {
            s_queried.push_back(header->biBitCount);
            EXPECT_EQ(header->biWidth, 320);
            EXPECT_EQ(header->biHeight, 240);
            EXPECT_EQ(header->biClrUsed, header->biBitCount == 8 ? 256u : 0u);
            return std::find(c->depths.begin(), c->depths.end(), header->biBitCount) != c->depths.end() ? ICERR_OK
                                                                                                        : ICERR_BADFORMAT;
        }
        if (msg == ICM_COMPRESS_GET_FORMAT)
            return c->formatSize;
        return ICERR_UNSUPPORTED;
    }
    static LRESULT Close(HIC)
    {
        --s_open;
        return ICERR_OK;
    }
};

class CodecListTest : public ::testing::Test {
protected:
    CodecListTest() : m_previous(CodecRegistry::SetCurrent(&m_fake))
    {
        FakeRegistry::s_open = 0;
        FakeRegistry::s_queried.clear();
    }
    ~CodecListTest() override { CodecRegistry::SetCurrent(m_previous); }

    const CodecRegistry m_fake{FakeRegistry::Info, FakeRegistry::Open, FakeRegistry::GetInfo, FakeRegistry::Send,
                               FakeRegistry::Close};
    const CodecRegistry* m_previous;
};

TEST_F(CodecListTest, UsableDescribedCompressorsAreListedOnce)
{
    constexpr DWORD kCvid = 0x64697663;
    constexpr DWORD kMsvc = 0x6376736D;
    constexpr DWORD kIv50 = 0x30357669;
    constexpr DWORD kNone = 0x656E6F6E;
    constexpr DWORD kBad = 0x20646162;
    constexpr DWORD kZero = 0x6F72657A;
    FakeRegistry::s_compressors = {
        {kCvid, u"Cinepak Codec", true, {24}, 40},
        {kMsvc, u"Microsoft Video 1", true, {8, 16}, 40},
        {kCvid, u"Cinepak again", true, {24}, 40},
        {kNone, u"", true, {24}, 40},
        {kIv50, u"Indeo 5", false, {24}, 40},
        {kBad, u"Takes nothing", true, {}, 40},
        {kZero, u"No format", true, {24}, 0},
    };
    CProductionSettings settings;
    EXPECT_EQ(settings.BuildCodecList(), 2);
    EXPECT_EQ(settings.GetCodecCount(), 2);
    EXPECT_EQ(FakeRegistry::s_open, 0);
    CString name;
    INT handler = 0;
    EXPECT_EQ(settings.GetCodec(0, &name, &handler), 0);
    EXPECT_STREQ(name, "Cinepak Codec");
    EXPECT_EQ(static_cast<DWORD>(handler), kCvid);
    EXPECT_EQ(settings.GetCodec(1, &name, &handler), 1);
    EXPECT_STREQ(name, "Microsoft Video 1");
    EXPECT_EQ(settings.GetCodec(2, &name, &handler), -1);
    EXPECT_EQ(settings.GetCodec(-1, &name, &handler), -1);

    // Built once: a second call keeps the list.
    FakeRegistry::s_compressors.clear();
    EXPECT_EQ(settings.BuildCodecList(), 2);
}

TEST_F(CodecListTest, DepthsAreTriedFromEightUpUntilOneIsAccepted)
{
    FakeRegistry::s_compressors = {{0x31313131, u"Sixteen", true, {16, 24}, 40}};
    CProductionSettings settings;
    EXPECT_EQ(settings.BuildCodecList(), 1);
    EXPECT_EQ(FakeRegistry::s_queried, (std::vector<WORD>{8, 16}));
}

TEST_F(CodecListTest, NoCompressorsGiveAnEmptyList)
{
    FakeRegistry::s_compressors.clear();
    CProductionSettings settings;
    EXPECT_EQ(settings.BuildCodecList(), 0);
    CString name;
    EXPECT_EQ(settings.GetCodec(0, &name, nullptr), -1);
}

TEST(ProductionSettings, TheSystemsCompressorsAreListed)
{
    CProductionSettings settings;
    const INT count = settings.BuildCodecList();
    EXPECT_GT(count, 0);
    for (INT i = 0; i < count; ++i) {
        CString name;
        INT handler = 0;
        EXPECT_EQ(settings.GetCodec(i, &name, &handler), i);
        EXPECT_FALSE(name.IsEmpty());
        EXPECT_NE(handler, 0);
    }
}

} // namespace
