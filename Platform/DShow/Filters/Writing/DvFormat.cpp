#include "Platform/DShow/Filters/Writing/DvFormat.h"

#include <array>

namespace dshow {
namespace {

constexpr int kBlock = 80;
constexpr int kBlocksPerSequence = 150;
constexpr int kWordsPerBlock = 36;

constexpr DvSystem kNtsc = {false, 480, 120000, 10, 333667, 30000, 1001};
constexpr DvSystem kPal = {true, 576, 144000, 12, UNITS / 25, 25, 1};

struct AudioRate {
    DWORD rate;
    BYTE code;       // SMP of the audio source pack
    int minimum[2];  // the fewest samples a frame may carry: 525/60, 625/50
};

// A frame carries up to minimum + 63 samples (the pack's 6-bit count).
constexpr std::array<AudioRate, 3> kAudioRates = {{
    {48000, 0, {1580, 1896}},
    {44100, 1, {1452, 1742}},
    {32000, 2, {1053, 1264}},
}};

const AudioRate* FindRate(DWORD rate)
{
    for (const AudioRate& each : kAudioRates) {
        if (each.rate == rate)
            return &each;
    }
    return nullptr;
}

// The standard's audio shuffle: the first word of audio block `block` of
// sequence `sequence`, in the frame's interleaved word order. The block's
// other words follow every `stride` words.
int ShuffledWord(bool pal, int sequence, int block)
{
    const int third = pal ? 36 : 30;
    const int half = GetDvSystem(pal).sequences / 2;
    return third * (block % 3) + ((third - 10) * (block / 3) + 6 * (sequence % half)) % third + sequence / half;
}

// The audio source pack and the audio source control pack.
std::array<BYTE, 5> SourcePack(bool pal, const AudioRate& rate, int samples)
{
    const int extra = samples - rate.minimum[pal ? 1 : 0];
    const BYTE locked = rate.rate == 48000 ? 0x80 : 0x00;
    return {0x50, static_cast<BYTE>(locked | 0x40 | (extra & 0x3F)), 0x00,
            static_cast<BYTE>(0xC0 | (pal ? 0x20 : 0x00)), static_cast<BYTE>(0x80 | rate.code << 3)};
}

constexpr std::array<BYTE, 5> kControlPack = {0x51, 0x03, 0xCF, 0xA0, 0xFF};

} // namespace

const DvSystem& GetDvSystem(bool pal) { return pal ? kPal : kNtsc; }

bool ReadDvSystem(const BYTE* frame, LONG size, bool& pal)
{
    if (frame == nullptr || size < kNtsc.frameBytes)
        return false;
    pal = (frame[3] & 0x80) != 0;
    return size >= GetDvSystem(pal).frameBytes;
}

CMediaType MakeDvVideoType(bool pal, REFERENCE_TIME frameTime)
{
    const DvSystem& system = GetDvSystem(pal);
    CMediaType type;
    type.InitMediaType();
    type.SetType(&MEDIATYPE_Video);
    type.SetSubtype(&MEDIASUBTYPE_dvsd);
    type.SetFormatType(&FORMAT_VideoInfo);
    type.SetSampleSize(static_cast<ULONG>(system.frameBytes));
    type.SetTemporalCompression(FALSE);
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (info == nullptr)
        return type;
    *info = VIDEOINFOHEADER{};
    info->rcSource = RECT{0, 0, 720, system.height};
    info->rcTarget = info->rcSource;
    info->AvgTimePerFrame = frameTime > 0 ? frameTime : system.frameTime;
    info->dwBitRate = static_cast<DWORD>(system.frameBytes * 8 * UNITS / info->AvgTimePerFrame);
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = 720;
    info->bmiHeader.biHeight = system.height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = MEDIASUBTYPE_dvsd.Data1;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(system.frameBytes);
    return type;
}

CMediaType MakeInterleavedDvType(bool pal, DWORD audioRate)
{
    CMediaType type;
    type.InitMediaType();
    type.SetType(&MEDIATYPE_Interleaved);
    type.SetSubtype(&MEDIASUBTYPE_dvsd);
    type.SetFormatType(&FORMAT_DvInfo);
    type.SetSampleSize(static_cast<ULONG>(GetDvSystem(pal).frameBytes));
    auto* info = reinterpret_cast<DVINFO*>(type.AllocFormatBuffer(sizeof(DVINFO)));
    if (info != nullptr)
        *info = MakeDvInfo(pal, audioRate);
    return type;
}

DVINFO MakeDvInfo(bool pal, DWORD audioRate)
{
    auto word = [](const BYTE* pack) {
        return static_cast<DWORD>(pack[1]) | static_cast<DWORD>(pack[2]) << 8 | static_cast<DWORD>(pack[3]) << 16 |
               static_cast<DWORD>(pack[4]) << 24;
    };
    DVINFO info{};
    if (const AudioRate* rate = FindRate(audioRate)) {
        const int samples = DvAudioSamplesFor(pal, audioRate, 0);
        info.dwDVAAuxSrc = word(SourcePack(pal, *rate, samples).data());
        info.dwDVAAuxCtl = word(kControlPack.data());
        info.dwDVAAuxSrc1 = info.dwDVAAuxSrc;
        info.dwDVAAuxCtl1 = info.dwDVAAuxCtl;
    }
    // The video source pack's 50/60 flag and the control pack of a frame
    // recorded at 4:3.
    info.dwDVVAuxSrc = 0xFF00FFFFu | static_cast<DWORD>(0xC0 | (pal ? 0x20 : 0x00)) << 16;
    info.dwDVVAuxCtl = 0xFFFFC8FFu;
    return info;
}

bool IsDvAudioRate(DWORD rate) { return FindRate(rate) != nullptr; }

int DvAudioSamplesFor(bool pal, DWORD rate, int64_t index)
{
    const DvSystem& system = GetDvSystem(pal);
    // Sample frames up to the start of frame `index`, exactly.
    auto before = [&](int64_t frame) {
        return frame * static_cast<int64_t>(rate) * system.rateDenominator / system.rateNumerator;
    };
    return static_cast<int>(before(index + 1) - before(index));
}

bool PackDvAudio(BYTE* frame, bool pal, DWORD rate, const int16_t* samples, int count)
{
    const AudioRate* audio = FindRate(rate);
    if (frame == nullptr || audio == nullptr || count < 0)
        return false;
    const int minimum = audio->minimum[pal ? 1 : 0];
    if (count < minimum || count > minimum + 63 || (count > 0 && samples == nullptr))
        return false;
    const DvSystem& system = GetDvSystem(pal);
    const int stride = system.sequences * 9;
    const std::array<BYTE, 5> source = SourcePack(pal, *audio, count);
    const int words = count * 2;
    for (int sequence = 0; sequence < system.sequences; ++sequence) {
        for (int block = 0; block < 9; ++block) {
            BYTE* bytes = frame + (sequence * kBlocksPerSequence + 6 + block * 16) * kBlock;
            // The packs lie in blocks 3 and 4 of even sequences, 0 and 1 of
            // odd ones; the other blocks carry empty packs.
            const int first = sequence % 2 == 0 ? 3 : 0;
            const BYTE* pack = block == first ? source.data() : block == first + 1 ? kControlPack.data() : nullptr;
            for (int i = 0; i < 5; ++i)
                bytes[3 + i] = pack != nullptr ? pack[i] : 0xFF;
            const int start = ShuffledWord(pal, sequence, block);
            for (int k = 0; k < kWordsPerBlock; ++k) {
                const int word = start + k * stride;
                int16_t value = word < words ? samples[word] : 0;
                // 0x8000 marks a missing sample.
                if (value == INT16_MIN)
                    value = INT16_MIN + 1;
                bytes[8 + 2 * k] = static_cast<BYTE>(static_cast<uint16_t>(value) >> 8);
                bytes[9 + 2 * k] = static_cast<BYTE>(value);
            }
        }
    }
    return true;
}

} // namespace dshow
