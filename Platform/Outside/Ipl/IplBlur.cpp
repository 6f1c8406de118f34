#include <algorithm>
#include <cstdint>
#include <vector>

#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Outside/Ipl/IplInternal.h"

using namespace ipl_detail;

namespace {

// Kernels up to 2^22 pixels keep every box sum of 8-bit values below 2^31.
constexpr std::int64_t kMaxKernelPixels = std::int64_t{1} << 22;

int Clamp(int i, int last)
{
    return i < 0 ? 0 : (i > last ? last : i);
}

// Sliding sums of `cols` pixels along one row, one lane per channel.
void SumRow(const BYTE* src, int pixelStep, int lanes, int width, int cols, int anchor, std::int32_t* out)
{
    const int last = width - 1;
    for (int c = 0; c < lanes; ++c) {
        const BYTE* p = src + c;
        auto at = [&](int x) { return static_cast<std::int32_t>(p[static_cast<std::ptrdiff_t>(Clamp(x, last)) * pixelStep]); };
        std::int32_t sum = 0;
        for (int k = 0; k < cols; ++k)
            sum += at(k - anchor);
        out[c] = sum;
        for (int x = 1; x < width; ++x) {
            sum += at(x - anchor + cols - 1) - at(x - 1 - anchor);
            out[static_cast<std::ptrdiff_t>(x) * lanes + c] = sum;
        }
    }
}

} // namespace

void iplBlur(const IplImage* srcImage, IplImage* dstImage, int nCols, int nRows, int anchorX, int anchorY)
{
    SetStatus(IPL_StsOk);
    if (nCols < 1 || nRows < 1 || anchorX < 0 || anchorX >= nCols || anchorY < 0 || anchorY >= nRows
        || static_cast<std::int64_t>(nCols) * nRows > kMaxKernelPixels) {
        SetStatus(IPL_StsBadArg);
        return;
    }
    View src;
    View dst;
    ChannelPlan plan;
    if (!MakeView(srcImage, src) || !MakeView(dstImage, dst) || !PlanChannels(src, dst, plan))
        return;
    const int width = std::min(src.width, dst.width);
    const int height = std::min(src.height, dst.height);
    const int lanes = plan.count;
    const std::size_t values = static_cast<std::size_t>(width) * lanes;

    // Every row is summed before any output is written, so the source may
    // be the destination.
    std::vector<std::int32_t> rows;
    std::vector<std::int32_t> column;
    if (!TryResize(rows, values * height) || !TryResize(column, values))
        return;
    for (int y = 0; y < height; ++y)
        SumRow(src.Row(y) + plan.srcFirst, src.channels, lanes, width, nCols, anchorX, rows.data() + values * y);

    auto rowAt = [&](int y) { return rows.data() + values * Clamp(y, height - 1); };
    std::fill(column.begin(), column.end(), 0);
    for (int k = 0; k < nRows; ++k) {
        const std::int32_t* in = rowAt(k - anchorY);
        for (std::size_t j = 0; j < values; ++j)
            column[j] += in[j];
    }

    const int area = nCols * nRows;
    const int half = area / 2;
    const double inverse = 1.0 / area;
    // The quotient is at most 255, so multiplying by 1 / area lands within
    // 2^-40 of it; the 2^-30 added keeps whole quotients whole and cannot
    // reach the next integer, which is at least 2^-22 away.
    constexpr double kNudge = 1.0 / (1 << 30);
    for (int y = 0; y < height; ++y) {
        BYTE* out = dst.Row(y) + plan.dstFirst;
        const int step = dst.channels;
        if (lanes == step) {
            for (std::size_t j = 0; j < values; ++j)
                out[j] = static_cast<BYTE>((column[j] + half) * inverse + kNudge);
        } else {
            for (std::size_t j = 0; j < values; ++j)
                out[j * step] = static_cast<BYTE>((column[j] + half) * inverse + kNudge);
        }
        if (y + 1 < height) {
            const std::int32_t* add = rowAt(y + 1 - anchorY + nRows - 1);
            const std::int32_t* drop = rowAt(y - anchorY);
            for (std::size_t j = 0; j < values; ++j)
                column[j] += add[j] - drop[j];
        }
    }
}
