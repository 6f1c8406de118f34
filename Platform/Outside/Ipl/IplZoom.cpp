#include <algorithm>
#include <cstdint>
#include <vector>

#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Outside/Ipl/IplInternal.h"

using namespace ipl_detail;

namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;
// The horizontal pass keeps 8 fractional bits of its 14-bit weights.
constexpr int kHorizontalShift = kWeightBits - 8;
constexpr int kVerticalShift = kWeightBits + 8;

enum class Filter { Nearest, Linear, Area };

// The source pixels and weights of every destination pixel along one axis;
// the taps of pixel x are [first[x], first[x + 1]).
struct AxisTaps {
    std::vector<int> first;
    std::vector<int> index;
    std::vector<int> weight;

    void Add(int i, int w)
    {
        index.push_back(i);
        weight.push_back(w);
    }
};

void AddNearest(AxisTaps& taps, std::int64_t x, int srcLen, std::int64_t numDst, std::int64_t numSrc)
{
    const std::int64_t i = ((2 * x + 1) * numSrc) / (2 * numDst);
    taps.Add(static_cast<int>(std::min<std::int64_t>(i, srcLen - 1)), kWeightOne);
}

void AddLinear(AxisTaps& taps, std::int64_t x, int srcLen, std::int64_t numDst, std::int64_t numSrc)
{
    // The sample point (x + 0.5) * src / dst - 0.5, in units of 1 / (2 dst).
    const std::int64_t point = (2 * x + 1) * numSrc - numDst;
    const std::int64_t unit = 2 * numDst;
    if (point <= 0) {
        taps.Add(0, kWeightOne);
        return;
    }
    std::int64_t i0 = point / unit;
    std::int64_t w1 = ((point % unit) * kWeightOne + numDst) / unit;
    if (w1 >= kWeightOne) {
        ++i0;
        w1 = 0;
    }
    if (i0 >= srcLen - 1) {
        taps.Add(srcLen - 1, kWeightOne);
        return;
    }
    taps.Add(static_cast<int>(i0), static_cast<int>(kWeightOne - w1));
    if (w1 != 0)
        taps.Add(static_cast<int>(i0 + 1), static_cast<int>(w1));
}

void AddArea(AxisTaps& taps, std::int64_t x, int srcLen, std::int64_t numDst, std::int64_t numSrc)
{
    // Source pixel i covers [i * dst, (i + 1) * dst); destination pixel x
    // covers [x * src, (x + 1) * src).
    const std::int64_t lo = x * numSrc;
    const std::int64_t hi = (x + 1) * numSrc;
    const std::int64_t firstPixel = std::min<std::int64_t>(lo / numDst, srcLen - 1);
    const std::int64_t lastPixel = std::min<std::int64_t>((hi - 1) / numDst, srcLen - 1);
    const std::size_t start = taps.weight.size();
    int total = 0;
    for (std::int64_t i = firstPixel; i <= lastPixel; ++i) {
        const std::int64_t overlap = std::min((i + 1) * numDst, hi) - std::max(i * numDst, lo);
        const int w = static_cast<int>(std::max<std::int64_t>(overlap, 0) * kWeightOne / numSrc);
        taps.Add(static_cast<int>(i), w);
        total += w;
    }
    // Rounding leaves a few units over; the heaviest tap takes them so that
    // the weights sum to one.
    const auto heaviest = std::max_element(taps.weight.begin() + static_cast<std::ptrdiff_t>(start), taps.weight.end());
    *heaviest += kWeightOne - total;
}

bool BuildTaps(AxisTaps& taps, int dstLen, int srcLen, int numDst, int numSrc, Filter filter)
{
    try {
        taps.first.reserve(static_cast<std::size_t>(dstLen) + 1);
        for (int x = 0; x < dstLen; ++x) {
            taps.first.push_back(static_cast<int>(taps.index.size()));
            switch (filter) {
            case Filter::Nearest:
                AddNearest(taps, x, srcLen, numDst, numSrc);
                break;
            case Filter::Linear:
                AddLinear(taps, x, srcLen, numDst, numSrc);
                break;
            case Filter::Area:
                AddArea(taps, x, srcLen, numDst, numSrc);
                break;
            }
        }
        taps.first.push_back(static_cast<int>(taps.index.size()));
        return true;
    } catch (const std::bad_alloc&) {
        SetStatus(IPL_StsNoMem);
        return false;
    }
}

template <int K>
void FilterRow(const BYTE* src, int pixelStep, const AxisTaps& taps, int width, std::uint16_t* out)
{
    for (int x = 0; x < width; ++x) {
        int acc[K] = {};
        for (int t = taps.first[x]; t < taps.first[x + 1]; ++t) {
            const BYTE* p = src + static_cast<std::ptrdiff_t>(taps.index[t]) * pixelStep;
            const int w = taps.weight[t];
            for (int c = 0; c < K; ++c)
                acc[c] += w * p[c];
        }
        for (int c = 0; c < K; ++c)
            out[x * K + c] = static_cast<std::uint16_t>((acc[c] + (1 << (kHorizontalShift - 1))) >> kHorizontalShift);
    }
}

using RowFilter = void (*)(const BYTE*, int, const AxisTaps&, int, std::uint16_t*);

RowFilter PickRowFilter(int count)
{
    switch (count) {
    case 1:
        return FilterRow<1>;
    case 2:
        return FilterRow<2>;
    case 3:
        return FilterRow<3>;
    default:
        return FilterRow<4>;
    }
}

void StoreRow(const std::uint32_t* acc, int values, BYTE* dst, int count, int pixelStep)
{
    constexpr std::uint32_t kHalf = 1u << (kVerticalShift - 1);
    if (count == pixelStep) {
        for (int j = 0; j < values; ++j)
            dst[j] = static_cast<BYTE>((acc[j] + kHalf) >> kVerticalShift);
        return;
    }
    // Otherwise one channel of a wider pixel is written.
    for (int j = 0; j < values; ++j)
        dst[static_cast<std::ptrdiff_t>(j) * pixelStep] = static_cast<BYTE>((acc[j] + kHalf) >> kVerticalShift);
}

void Resample(const IplImage* srcImage, IplImage* dstImage, int xDst, int xSrc, int yDst, int ySrc, Filter fx,
              Filter fy)
{
    View src;
    View dst;
    ChannelPlan plan;
    if (!MakeView(srcImage, src) || !MakeView(dstImage, dst) || !PlanChannels(src, dst, plan))
        return;
    const int outWidth = static_cast<int>(
        std::min<std::int64_t>(dst.width, static_cast<std::int64_t>(src.width) * xDst / xSrc));
    const int outHeight = static_cast<int>(
        std::min<std::int64_t>(dst.height, static_cast<std::int64_t>(src.height) * yDst / ySrc));
    if (outWidth <= 0 || outHeight <= 0)
        return;
    RegionCopy copy;
    if (Overlaps(src, dst) && !copy.Take(src))
        return;

    AxisTaps horizontal;
    AxisTaps vertical;
    if (!BuildTaps(horizontal, outWidth, src.width, xDst, xSrc, fx)
        || !BuildTaps(vertical, outHeight, src.height, yDst, ySrc, fy))
        return;

    // Each source row that some output row reads is filtered horizontally once.
    std::vector<int> slot;
    if (!TryAssign(slot, static_cast<std::size_t>(src.height), -1))
        return;
    int rows = 0;
    for (int row : vertical.index) {
        if (slot[row] < 0)
            slot[row] = rows++;
    }
    const int values = outWidth * plan.count;
    std::vector<std::uint16_t> filtered;
    std::vector<std::uint32_t> acc;
    if (!TryResize(filtered, static_cast<std::size_t>(rows) * values) || !TryResize(acc, static_cast<std::size_t>(values)))
        return;
    const RowFilter filterRow = PickRowFilter(plan.count);
    for (int row = 0; row < src.height; ++row) {
        if (slot[row] >= 0)
            filterRow(src.Row(row) + plan.srcFirst, src.channels, horizontal, outWidth,
                      filtered.data() + static_cast<std::size_t>(slot[row]) * values);
    }

    for (int y = 0; y < outHeight; ++y) {
        std::fill(acc.begin(), acc.end(), 0u);
        for (int t = vertical.first[y]; t < vertical.first[y + 1]; ++t) {
            const std::uint16_t* in = filtered.data() + static_cast<std::size_t>(slot[vertical.index[t]]) * values;
            const auto w = static_cast<std::uint32_t>(vertical.weight[t]);
            std::uint32_t* out = acc.data();
            for (int j = 0; j < values; ++j)
                out[j] += w * in[j];
        }
        StoreRow(acc.data(), values, dst.Row(y) + plan.dstFirst, plan.count, dst.channels);
    }
}

bool IsInterpolation(int interpolate)
{
    return interpolate == IPL_INTER_NN || interpolate == IPL_INTER_LINEAR || interpolate == IPL_INTER_CUBIC
        || interpolate == IPL_INTER_SUPER;
}

} // namespace

void iplZoom(const IplImage* srcImage, IplImage* dstImage, int xDst, int xSrc, int yDst, int ySrc, int interpolate)
{
    SetStatus(IPL_StsOk);
    if (xSrc <= 0 || ySrc <= 0 || xDst < xSrc || yDst < ySrc || !IsInterpolation(interpolate)) {
        SetStatus(IPL_StsBadArg);
        return;
    }
    const Filter filter = interpolate == IPL_INTER_NN ? Filter::Nearest
        : interpolate == IPL_INTER_SUPER             ? Filter::Area
                                                     : Filter::Linear;
    Resample(srcImage, dstImage, xDst, xSrc, yDst, ySrc, filter, filter);
}

void iplDecimate(const IplImage* srcImage, IplImage* dstImage, int xDst, int xSrc, int yDst, int ySrc,
                 int interpolate)
{
    SetStatus(IPL_StsOk);
    if (xDst <= 0 || yDst <= 0 || xDst > xSrc || yDst > ySrc || !IsInterpolation(interpolate)) {
        SetStatus(IPL_StsBadArg);
        return;
    }
    const Filter filter = interpolate == IPL_INTER_NN ? Filter::Nearest : Filter::Area;
    Resample(srcImage, dstImage, xDst, xSrc, yDst, ySrc, filter, filter);
}
