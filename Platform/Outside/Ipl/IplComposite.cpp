#include <algorithm>
#include <cstdint>
#include <vector>

#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Outside/Ipl/IplInternal.h"

using namespace ipl_detail;

namespace {

constexpr int kFull = 255 * 255;

// Where one image's alpha comes from: a channel of some region, or a
// constant.
struct AlphaSource {
    View view;
    int channel = 0;
    bool constant = true;
    BYTE value = 255;

    void Fill(int y, BYTE* row, int width) const
    {
        if (constant) {
            std::fill(row, row + width, value);
            return;
        }
        const BYTE* in = view.Row(y) + channel;
        const int step = view.channels;
        for (int x = 0; x < width; ++x)
            row[x] = in[static_cast<std::ptrdiff_t>(x) * step];
    }
};

int AlphaChannelOf(const View& view)
{
    if (view.alphaChannel > 0)
        return view.alphaChannel - 1;
    if (view.coi > 0)
        return view.coi - 1;
    return 0;
}

struct PorterDuff {
    int fa;
    int fb;
};

template <int Op>
PorterDuff FactorsOf(int aA, int aB)
{
    if constexpr (Op == IPL_COMPOSITE_OVER)
        return {255, 255 - aA};
    else if constexpr (Op == IPL_COMPOSITE_IN)
        return {aB, 0};
    else if constexpr (Op == IPL_COMPOSITE_OUT)
        return {255 - aB, 0};
    else if constexpr (Op == IPL_COMPOSITE_ATOP)
        return {aB, 255 - aA};
    else if constexpr (Op == IPL_COMPOSITE_XOR)
        return {255 - aB, 255 - aA};
    else
        return {255, 255};
}

// The per-pixel weights of one row: colour = (A * wA + B * wB + den / 2) /
// den, and the result alpha times 255.
struct RowWeights {
    std::vector<int> wA;
    std::vector<int> wB;
    std::vector<int> den;
    std::vector<int> coverage;
};

template <int Op>
void WeighRow(const BYTE* alphaA, const BYTE* alphaB, int width, bool premul, bool divide, RowWeights& w)
{
    for (int x = 0; x < width; ++x) {
        const int aA = alphaA[x];
        const int aB = alphaB[x];
        const PorterDuff f = FactorsOf<Op>(aA, aB);
        const int coverage = f.fa * aA + f.fb * aB;
        w.wA[x] = premul ? f.fa * 255 : f.fa * aA;
        w.wB[x] = premul ? f.fb * 255 : f.fb * aB;
        w.den[x] = divide ? coverage : kFull;
        w.coverage[x] = coverage;
    }
}

using RowWeigher = void (*)(const BYTE*, const BYTE*, int, bool, bool, RowWeights&);

RowWeigher PickWeigher(int op)
{
    switch (op) {
    case IPL_COMPOSITE_OVER:
        return WeighRow<IPL_COMPOSITE_OVER>;
    case IPL_COMPOSITE_IN:
        return WeighRow<IPL_COMPOSITE_IN>;
    case IPL_COMPOSITE_OUT:
        return WeighRow<IPL_COMPOSITE_OUT>;
    case IPL_COMPOSITE_ATOP:
        return WeighRow<IPL_COMPOSITE_ATOP>;
    case IPL_COMPOSITE_XOR:
        return WeighRow<IPL_COMPOSITE_XOR>;
    default:
        return WeighRow<IPL_COMPOSITE_PLUS>;
    }
}

// Any weights: one integer division per value.
void BlendWeighted(const BYTE* a, const BYTE* b, BYTE* d, int step, const RowWeights& w, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(x) * step;
        const int den = w.den[x];
        const int value = den == 0 ? 0 : (a[i] * w.wA[x] + b[i] * w.wB[x] + den / 2) / den;
        d[i] = static_cast<BYTE>(std::min(value, 255));
    }
}

// OVER of a non-premultiplied A onto an opaque B, where den is always 65025:
// (255 X + 32512) / 65025 equals the rounded X / 255 below for every X up to
// 65025.
void BlendOverOpaque(const BYTE* a, const BYTE* b, BYTE* d, int step, const BYTE* alphaA, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(x) * step;
        const unsigned alpha = alphaA[x];
        const unsigned mixed = a[i] * alpha + b[i] * (255u - alpha) + 128u;
        d[i] = static_cast<BYTE>((mixed + (mixed >> 8)) >> 8);
    }
}

// Constant weights: the division becomes a multiplication by 1 / den. The
// quotient is below 512 and den at most 2 x 65025, so the product lies
// within 2^-40 of the true quotient, and the 2^-30 added keeps exact
// quotients whole while never reaching the next integer from below.
void BlendConstant(const BYTE* a, const BYTE* b, BYTE* d, int step, int wA, int wB, int den, int width)
{
    if (den == 0) {
        for (int x = 0; x < width; ++x)
            d[static_cast<std::ptrdiff_t>(x) * step] = 0;
        return;
    }
    const double inverse = 1.0 / den;
    constexpr double kNudge = 1.0 / (1 << 30);
    const int half = den / 2;
    for (int x = 0; x < width; ++x) {
        const std::ptrdiff_t i = static_cast<std::ptrdiff_t>(x) * step;
        const int value = static_cast<int>((a[i] * wA + b[i] * wB + half) * inverse + kNudge);
        d[i] = static_cast<BYTE>(std::min(value, 255));
    }
}

struct Plan {
    View a;
    View b;
    View dst;
    AlphaSource alphaA;
    AlphaSource alphaB;
    bool writeAlpha = false;
    View alphaOut;
    int alphaOutChannel = 0;
    std::vector<int> colourChannels;
    int width = 0;
    int height = 0;
    RegionCopy copies[4];
};

bool MakeAlphaSource(const IplImage* alphaImage, const View& owner, AlphaSource& source)
{
    if (alphaImage != nullptr) {
        if (!MakeView(alphaImage, source.view))
            return false;
        source.channel = AlphaChannelOf(source.view);
        source.constant = false;
    } else if (owner.alphaChannel > 0) {
        source.view = owner;
        source.channel = owner.alphaChannel - 1;
        source.constant = false;
    }
    return true;
}

bool Prepare(const IplImage* imageA, const IplImage* imageB, IplImage* imageDst, const IplImage* alphaImageA,
             const IplImage* alphaImageB, IplImage* alphaImageDst, Plan& plan)
{
    if (!MakeView(imageA, plan.a) || !MakeView(imageB, plan.b) || !MakeView(imageDst, plan.dst))
        return false;
    if (plan.a.channels != plan.dst.channels || plan.b.channels != plan.dst.channels) {
        SetStatus(IPL_BadNumChannels);
        return false;
    }
    if (!MakeAlphaSource(alphaImageA, plan.a, plan.alphaA) || !MakeAlphaSource(alphaImageB, plan.b, plan.alphaB))
        return false;
    if (alphaImageDst != nullptr) {
        if (!MakeView(alphaImageDst, plan.alphaOut))
            return false;
        plan.alphaOutChannel = AlphaChannelOf(plan.alphaOut);
        plan.writeAlpha = true;
    } else if (plan.dst.alphaChannel > 0) {
        plan.alphaOut = plan.dst;
        plan.alphaOutChannel = plan.dst.alphaChannel - 1;
        plan.writeAlpha = true;
    }

    plan.width = std::min({plan.a.width, plan.b.width, plan.dst.width});
    plan.height = std::min({plan.a.height, plan.b.height, plan.dst.height});
    for (const AlphaSource* source : {&plan.alphaA, &plan.alphaB}) {
        if (!source->constant) {
            plan.width = std::min(plan.width, source->view.width);
            plan.height = std::min(plan.height, source->view.height);
        }
    }
    if (plan.writeAlpha) {
        plan.width = std::min(plan.width, plan.alphaOut.width);
        plan.height = std::min(plan.height, plan.alphaOut.height);
    }

    const int coi = plan.dst.coi != 0 ? plan.dst.coi : (plan.a.coi != 0 ? plan.a.coi : plan.b.coi);
    if (coi != 0) {
        plan.colourChannels.push_back(coi - 1);
    } else {
        for (int c = 0; c < plan.dst.channels; ++c) {
            if (c != plan.dst.alphaChannel - 1)
                plan.colourChannels.push_back(c);
        }
    }

    // Inputs that overlap the output anywhere but in the very same place are
    // read from copies.
    View* inputs[] = {&plan.a, &plan.b, &plan.alphaA.view, &plan.alphaB.view};
    const bool used[] = {true, true, !plan.alphaA.constant, !plan.alphaB.constant};
    for (int i = 0; i < 4; ++i) {
        View& input = *inputs[i];
        if (!used[i])
            continue;
        const bool samePlace = input.data == plan.dst.data && input.step == plan.dst.step;
        if (!samePlace && Overlaps(input, plan.dst) && !plan.copies[i].Take(input))
            return false;
    }
    return true;
}

bool IsCompositeType(int type)
{
    return type >= IPL_COMPOSITE_OVER && type <= IPL_COMPOSITE_PLUS;
}

bool AllColourChannels(const Plan& plan)
{
    return static_cast<int>(plan.colourChannels.size()) == plan.dst.channels;
}

// With every channel a colour channel a row is one run of bytes; the
// per-pixel alphas are spread to every byte so that one loop covers it.
template <typename T>
void Spread(const std::vector<T>& perPixel, std::vector<T>& perByte, int width, int channels)
{
    for (int x = 0; x < width; ++x)
        for (int c = 0; c < channels; ++c)
            perByte[static_cast<std::size_t>(x) * channels + c] = perPixel[x];
}

} // namespace

void iplAlphaComposite(const IplImage* srcImageA, const IplImage* srcImageB, IplImage* dstImage, int compositeType,
                       const IplImage* alphaImageA, const IplImage* alphaImageB, IplImage* alphaImageDst,
                       BOOL premulAlpha, BOOL divideMode)
{
    SetStatus(IPL_StsOk);
    if (!IsCompositeType(compositeType)) {
        SetStatus(IPL_StsBadArg);
        return;
    }
    Plan plan;
    if (!Prepare(srcImageA, srcImageB, dstImage, alphaImageA, alphaImageB, alphaImageDst, plan))
        return;
    const int width = plan.width;
    const int channels = plan.dst.channels;
    const bool flat = AllColourChannels(plan);
    const bool overOpaque = compositeType == IPL_COMPOSITE_OVER && premulAlpha == 0 && plan.alphaB.constant
        && plan.alphaB.value == 255;
    const RowWeigher weigh = PickWeigher(compositeType);

    std::vector<BYTE> alphaA;
    std::vector<BYTE> alphaB;
    std::vector<BYTE> alphaABytes;
    RowWeights weights;
    RowWeights byteWeights;
    const std::size_t n = static_cast<std::size_t>(width);
    const std::size_t bytes = n * channels;
    if (!TryResize(alphaA, n) || !TryResize(alphaB, n) || !TryResize(weights.wA, n) || !TryResize(weights.wB, n)
        || !TryResize(weights.den, n) || !TryResize(weights.coverage, n))
        return;
    if (flat && (!TryResize(alphaABytes, bytes) || !TryResize(byteWeights.wA, bytes)
                 || !TryResize(byteWeights.wB, bytes) || !TryResize(byteWeights.den, bytes)))
        return;

    for (int y = 0; y < plan.height; ++y) {
        plan.alphaA.Fill(y, alphaA.data(), width);
        plan.alphaB.Fill(y, alphaB.data(), width);
        const BYTE* a = plan.a.Row(y);
        const BYTE* b = plan.b.Row(y);
        BYTE* d = plan.dst.Row(y);
        if (overOpaque) {
            if (flat) {
                Spread(alphaA, alphaABytes, width, channels);
                BlendOverOpaque(a, b, d, 1, alphaABytes.data(), width * channels);
            } else {
                for (int c : plan.colourChannels)
                    BlendOverOpaque(a + c, b + c, d + c, channels, alphaA.data(), width);
            }
        }
        if (!overOpaque || plan.writeAlpha)
            weigh(alphaA.data(), alphaB.data(), width, premulAlpha != 0, divideMode != 0, weights);
        if (!overOpaque) {
            if (flat) {
                Spread(weights.wA, byteWeights.wA, width, channels);
                Spread(weights.wB, byteWeights.wB, width, channels);
                Spread(weights.den, byteWeights.den, width, channels);
                BlendWeighted(a, b, d, 1, byteWeights, width * channels);
            } else {
                for (int c : plan.colourChannels)
                    BlendWeighted(a + c, b + c, d + c, channels, weights, width);
            }
        }
        if (plan.writeAlpha) {
            BYTE* out = plan.alphaOut.Row(y) + plan.alphaOutChannel;
            const int step = plan.alphaOut.channels;
            for (int x = 0; x < width; ++x)
                out[static_cast<std::ptrdiff_t>(x) * step] =
                    static_cast<BYTE>(std::min((weights.coverage[x] + 127) / 255, 255));
        }
    }
}

void iplAlphaCompositeC(const IplImage* srcImageA, const IplImage* srcImageB, IplImage* dstImage, int compositeType,
                        int aA, int aB, BOOL premulAlpha, BOOL divideMode)
{
    SetStatus(IPL_StsOk);
    if (!IsCompositeType(compositeType)) {
        SetStatus(IPL_StsBadArg);
        return;
    }
    Plan plan;
    if (!Prepare(srcImageA, srcImageB, dstImage, nullptr, nullptr, nullptr, plan))
        return;
    // Constant alphas stand in for any alpha channels A and B have.
    const BYTE alphaA = static_cast<BYTE>(std::clamp(aA, 0, 255));
    const BYTE alphaB = static_cast<BYTE>(std::clamp(aB, 0, 255));
    RowWeights weights;
    if (!TryResize(weights.wA, 1) || !TryResize(weights.wB, 1) || !TryResize(weights.den, 1)
        || !TryResize(weights.coverage, 1))
        return;
    PickWeigher(compositeType)(&alphaA, &alphaB, 1, premulAlpha != 0, divideMode != 0, weights);
    const int wA = weights.wA[0];
    const int wB = weights.wB[0];
    const int den = weights.den[0];
    const auto resultAlpha = static_cast<BYTE>(std::min((weights.coverage[0] + 127) / 255, 255));
    const int channels = plan.dst.channels;
    const bool flat = AllColourChannels(plan);
    for (int y = 0; y < plan.height; ++y) {
        const BYTE* a = plan.a.Row(y);
        const BYTE* b = plan.b.Row(y);
        BYTE* d = plan.dst.Row(y);
        if (flat) {
            BlendConstant(a, b, d, 1, wA, wB, den, plan.width * channels);
        } else {
            for (int c : plan.colourChannels)
                BlendConstant(a + c, b + c, d + c, channels, wA, wB, den, plan.width);
        }
        if (plan.writeAlpha) {
            BYTE* out = plan.alphaOut.Row(y) + plan.alphaOutChannel;
            for (int x = 0; x < plan.width; ++x)
                out[static_cast<std::ptrdiff_t>(x) * plan.alphaOut.channels] = resultAlpha;
        }
    }
}
