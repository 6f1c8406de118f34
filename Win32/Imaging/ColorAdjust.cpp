#include "Win32/Imaging/ColorAdjust.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

#include "Win32/Utils/CpuInfo.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define KESTRELON_HAVE_SSE2 1
#endif

namespace {

constexpr int kSse2Query = 30;

// Unset until the first adjustment chooses; a test may force a path.
std::atomic<int> g_chosenPath{static_cast<int>(ColorAdjustPath::Auto)};
std::atomic<int> g_forcedPath{static_cast<int>(ColorAdjustPath::Auto)};

double ClampParameter(double value)
{
    if (!(value >= 0.0))
        return 0.0;
    return std::min(value, 100.0);
}

BYTE ClampLevel(int value)
{
    return static_cast<BYTE>(std::clamp(value, 0, 255));
}

void AdjustOnePixelAtATime(const ColorAdjustGains& g, int count, BYTE* p)
{
    const int h = g.contrastGain;
    const int t = g.saturationGain;
    const int bias = g.brightness + 32767;
    for (int i = 0; i < count; ++i, p += 3) {
        const int b = p[0];
        const int gr = p[1];
        const int r = p[2];
        const int y = 151 * gr + 76 * r + 28 * b;
        const int luminance = ((h * y - h * 32767) >> 8) + bias;
        const auto level = [&](int c, int offset) {
            return ClampLevel(((((c * 256 - y) * t >> 8) + luminance) >> 8) + offset);
        };
        p[0] = level(b, g.blueOffset);
        p[1] = level(gr, g.greenOffset);
        p[2] = level(r, g.redOffset);
    }
}

#ifdef KESTRELON_HAVE_SSE2
constexpr int kGroupPixels = 16;

// The one-pixel formula rearranged so that the per-channel work is one run
// of bytes: since C t 256 is a multiple of 256,
//   ((C 256 - Y) t) >> 8 = C t - ceil(Y t / 256),
// so each channel becomes (C t + K) >> 8 with the per-pixel
// K = I - ceil(Y t / 256) + offset x 256. K is worked out pixel by pixel;
// the bytes then go through SSE2 sixteen at a time, with 16-bit products
// exact because C <= 255 and t <= 2048.
class GroupKernel {
public:
    explicit GroupKernel(const ColorAdjustGains& g)
        : m_h(g.contrastGain),
          m_t(g.saturationGain),
          m_bias(g.brightness + 32767),
          m_offset{g.blueOffset * 256, g.greenOffset * 256, g.redOffset * 256},
          m_t16(_mm_set1_epi16(static_cast<short>(g.saturationGain)))
    {
    }

    // Sixteen pixels, 48 bytes.
    void Run(BYTE* p) const
    {
        alignas(16) std::int32_t k[kGroupPixels * 3];
        for (int i = 0; i < kGroupPixels; ++i) {
            const BYTE* q = p + 3 * i;
            const int y = 151 * q[1] + 76 * q[2] + 28 * q[0];
            const int luminance = ((m_h * y - m_h * 32767) >> 8) + m_bias;
            const int base = luminance - ((y * m_t + 255) >> 8);
            k[3 * i] = base + m_offset[0];
            k[3 * i + 1] = base + m_offset[1];
            k[3 * i + 2] = base + m_offset[2];
        }
        const __m128i zero = _mm_setzero_si128();
        for (int block = 0; block < 3; ++block) {
            BYTE* bytes = p + 16 * block;
            const std::int32_t* kBlock = k + 16 * block;
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
            const __m128i words[2] = {_mm_unpacklo_epi8(c, zero), _mm_unpackhi_epi8(c, zero)};
            __m128i packed[2];
            for (int half = 0; half < 2; ++half) {
                const __m128i low = _mm_mullo_epi16(words[half], m_t16);
                const __m128i high = _mm_mulhi_epu16(words[half], m_t16);
                const __m128i* kk = reinterpret_cast<const __m128i*>(kBlock + 8 * half);
                const __m128i a = _mm_srai_epi32(_mm_add_epi32(_mm_unpacklo_epi16(low, high), _mm_load_si128(kk)), 8);
                const __m128i b = _mm_srai_epi32(_mm_add_epi32(_mm_unpackhi_epi16(low, high), _mm_load_si128(kk + 1)), 8);
                packed[half] = _mm_packs_epi32(a, b);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), _mm_packus_epi16(packed[0], packed[1]));
        }
    }

private:
    int m_h;
    int m_t;
    int m_bias;
    int m_offset[3];
    __m128i m_t16;
};

void AdjustInGroups(const ColorAdjustGains& g, int count, BYTE* p)
{
    const GroupKernel kernel(g);
    const int groups = count / kGroupPixels;
    for (int i = 0; i < groups; ++i, p += 3 * kGroupPixels)
        kernel.Run(p);
    AdjustOnePixelAtATime(g, count - groups * kGroupPixels, p);
}
#endif

ColorAdjustPath ChoosePath()
{
#ifdef KESTRELON_HAVE_SSE2
    if (QueryCpuInfo(kSse2Query) != 0 && TestSseSupport() == 1)
        return ColorAdjustPath::Sse2;
#endif
    return ColorAdjustPath::OnePixel;
}

} // namespace

ColorAdjustGains ComputeColorAdjustGains(double contrast, double brightness, double saturation, double red,
                                         double green, double blue)
{
    contrast = ClampParameter(contrast);
    brightness = ClampParameter(brightness);
    saturation = ClampParameter(saturation);
    ColorAdjustGains g;
    g.contrastGain = static_cast<INT>(std::pow(2.0, (contrast * 0.01 - 0.5) * 6.0) * 256.0);
    g.brightness = static_cast<INT>((brightness * 0.01 - 0.5) * 131072.0);
    g.saturationGain = saturation > 50.0 ? static_cast<INT>(std::pow(2.0, (saturation * 0.01 - 0.5) * 6.0) * 256.0)
                                         : static_cast<INT>(512.0 * saturation * 0.01);
    g.redOffset = static_cast<INT>((ClampParameter(red) * 0.01 - 0.5) * 512.0);
    g.greenOffset = static_cast<INT>((ClampParameter(green) * 0.01 - 0.5) * 512.0);
    g.blueOffset = static_cast<INT>((ClampParameter(blue) * 0.01 - 0.5) * 512.0);
    return g;
}

void ApplyColorAdjustment(const ColorAdjustGains& given, int count, BYTE* pixels)
{
    if (pixels == nullptr || count <= 0)
        return;
    // Working values from elsewhere than ComputeColorAdjustGains are held to
    // the ranges that keep the arithmetic exact.
    ColorAdjustGains gains = given;
    gains.contrastGain = std::clamp(gains.contrastGain, 32, 2048);
    gains.brightness = std::clamp(gains.brightness, -65536, 65536);
    gains.saturationGain = std::clamp(gains.saturationGain, 0, 2048);
    gains.redOffset = std::clamp(gains.redOffset, -256, 256);
    gains.greenOffset = std::clamp(gains.greenOffset, -256, 256);
    gains.blueOffset = std::clamp(gains.blueOffset, -256, 256);
#ifdef KESTRELON_HAVE_SSE2
    if (GetColorAdjustPath() == ColorAdjustPath::Sse2) {
        AdjustInGroups(gains, count, pixels);
        return;
    }
#endif
    AdjustOnePixelAtATime(gains, count, pixels);
}

void AdjustColorPixels(int count, BYTE* pixels, double contrast, double brightness, double saturation, double red,
                       double green, double blue)
{
    ApplyColorAdjustment(ComputeColorAdjustGains(contrast, brightness, saturation, red, green, blue), count, pixels);
}

void SetColorAdjustPathForTesting(ColorAdjustPath path)
{
    g_forcedPath = static_cast<int>(path);
}

ColorAdjustPath GetColorAdjustPath()
{
    const auto forced = static_cast<ColorAdjustPath>(g_forcedPath.load());
    if (forced != ColorAdjustPath::Auto)
        return IsColorAdjustPathAvailable(forced) ? forced : ColorAdjustPath::OnePixel;
    auto chosen = static_cast<ColorAdjustPath>(g_chosenPath.load());
    if (chosen == ColorAdjustPath::Auto) {
        chosen = ChoosePath();
        g_chosenPath = static_cast<int>(chosen);
    }
    return chosen;
}

bool IsColorAdjustPathAvailable(ColorAdjustPath path)
{
    switch (path) {
    case ColorAdjustPath::Sse2:
#ifdef KESTRELON_HAVE_SSE2
        return true;
#else
        return false;
#endif
    default:
        return true;
    }
}
