#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <vector>

#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Outside/Ipl/IplInternal.h"

namespace ipl_detail {

namespace {
thread_local IPLStatus t_status = IPL_StsOk;
} // namespace

void SetStatus(IPLStatus status)
{
    t_status = status;
}

bool MakeView(const IplImage* image, View& view)
{
    if (image == nullptr) {
        SetStatus(IPL_HeaderIsNull);
        return false;
    }
    if (image->depth != IPL_DEPTH_8U) {
        SetStatus(IPL_BadDepth);
        return false;
    }
    if (image->dataOrder != IPL_DATA_ORDER_PIXEL) {
        SetStatus(IPL_BadOrder);
        return false;
    }
    if (image->nChannels < 1 || image->nChannels > 4) {
        SetStatus(IPL_BadNumChannels);
        return false;
    }
    if (image->alphaChannel < 0 || image->alphaChannel > image->nChannels) {
        SetStatus(IPL_BadAlphaChannel);
        return false;
    }
    if (image->width <= 0 || image->height <= 0) {
        SetStatus(IPL_BadImageSize);
        return false;
    }
    if (image->imageData == nullptr) {
        SetStatus(IPL_BadDataPtr);
        return false;
    }
    if (static_cast<std::int64_t>(image->widthStep) < static_cast<std::int64_t>(image->width) * image->nChannels) {
        SetStatus(IPL_BadStep);
        return false;
    }
    int x = 0;
    int y = 0;
    int width = image->width;
    int height = image->height;
    int coi = 0;
    if (const IplROI* roi = image->roi) {
        if (roi->coi < 0 || roi->coi > image->nChannels) {
            SetStatus(IPL_BadCOI);
            return false;
        }
        if (roi->xOffset < 0 || roi->yOffset < 0 || roi->width <= 0 || roi->height <= 0
            || static_cast<std::int64_t>(roi->xOffset) + roi->width > image->width
            || static_cast<std::int64_t>(roi->yOffset) + roi->height > image->height) {
            SetStatus(IPL_BadROISize);
            return false;
        }
        x = roi->xOffset;
        y = roi->yOffset;
        width = roi->width;
        height = roi->height;
        coi = roi->coi;
    }
    view.data = reinterpret_cast<BYTE*>(image->imageData) + static_cast<std::ptrdiff_t>(y) * image->widthStep
        + static_cast<std::ptrdiff_t>(x) * image->nChannels;
    view.width = width;
    view.height = height;
    view.step = image->widthStep;
    view.channels = image->nChannels;
    view.coi = coi;
    view.alphaChannel = image->alphaChannel;
    return true;
}

bool PlanChannels(const View& src, const View& dst, ChannelPlan& plan)
{
    if (src.coi == 0 && dst.coi == 0) {
        if (src.channels != dst.channels) {
            SetStatus(IPL_BadNumChannels);
            return false;
        }
        plan = {0, 0, src.channels};
        return true;
    }
    const int s = src.coi != 0 ? src.coi : (src.channels == 1 ? 1 : dst.coi);
    const int d = dst.coi != 0 ? dst.coi : (dst.channels == 1 ? 1 : src.coi);
    if (s > src.channels || d > dst.channels) {
        SetStatus(IPL_BadCOI);
        return false;
    }
    plan = {s - 1, d - 1, 1};
    return true;
}

bool Overlaps(const View& a, const View& b)
{
    const BYTE* aEnd = a.data + static_cast<std::ptrdiff_t>(a.height - 1) * a.step
        + static_cast<std::ptrdiff_t>(a.width) * a.channels;
    const BYTE* bEnd = b.data + static_cast<std::ptrdiff_t>(b.height - 1) * b.step
        + static_cast<std::ptrdiff_t>(b.width) * b.channels;
    return std::less<const BYTE*>()(a.data, bEnd) && std::less<const BYTE*>()(b.data, aEnd);
}

bool RegionCopy::Take(View& view)
{
    const std::size_t rowBytes = static_cast<std::size_t>(view.width) * view.channels;
    if (!TryResize(m_bytes, rowBytes * view.height))
        return false;
    for (int y = 0; y < view.height; ++y)
        std::memcpy(m_bytes.data() + rowBytes * y, view.Row(y), rowBytes);
    view.data = m_bytes.data();
    view.step = static_cast<int>(rowBytes);
    return true;
}

} // namespace ipl_detail

using namespace ipl_detail;

namespace {

bool IsAlignment(int align)
{
    return align == 4 || align == 8 || align == 16 || align == 32;
}

void CopyName(char (&target)[4], const char* name)
{
    std::memset(target, 0, sizeof target);
    if (name == nullptr)
        return;
    for (std::size_t i = 0; i < sizeof target && name[i] != '\0'; ++i)
        target[i] = name[i];
}

// One row of `width` pixels, `Count` channels each, from a source with
// `sStep` bytes per pixel to a destination with `dStep`; `Reverse` reads
// the source from its last pixel.
template <int Count, bool Reverse>
void MovePixels(const BYTE* s, int sStep, BYTE* d, int dStep, int width)
{
    for (int x = 0; x < width; ++x) {
        const BYTE* sp = s + static_cast<std::ptrdiff_t>(Reverse ? width - 1 - x : x) * sStep;
        BYTE* dp = d + static_cast<std::ptrdiff_t>(x) * dStep;
        for (int c = 0; c < Count; ++c)
            dp[c] = sp[c];
    }
}

using RowMover = void (*)(const BYTE*, int, BYTE*, int, int);

template <bool Reverse>
RowMover PickMover(int count)
{
    switch (count) {
    case 1:
        return MovePixels<1, Reverse>;
    case 2:
        return MovePixels<2, Reverse>;
    case 3:
        return MovePixels<3, Reverse>;
    default:
        return MovePixels<4, Reverse>;
    }
}

} // namespace

IplImage* iplCreateImageHeader(int nChannels, int alphaChannel, int depth, const char* colorModel,
                               const char* channelSeq, int dataOrder, int origin, int align, int width,
                               int height, IplROI* roi, IplImage* maskROI, void* imageId, IplTileInfo* tileInfo)
{
    SetStatus(IPL_StsOk);
    if (nChannels < 1 || nChannels > 4) {
        SetStatus(IPL_BadNumChannels);
        return nullptr;
    }
    if (alphaChannel < 0 || alphaChannel > nChannels) {
        SetStatus(IPL_BadAlphaChannel);
        return nullptr;
    }
    if (depth != IPL_DEPTH_8U) {
        SetStatus(IPL_BadDepth);
        return nullptr;
    }
    if (dataOrder != IPL_DATA_ORDER_PIXEL) {
        SetStatus(IPL_BadOrder);
        return nullptr;
    }
    if (origin != IPL_ORIGIN_TL && origin != IPL_ORIGIN_BL) {
        SetStatus(IPL_BadOrigin);
        return nullptr;
    }
    if (!IsAlignment(align)) {
        SetStatus(IPL_BadAlign);
        return nullptr;
    }
    if (width <= 0 || height <= 0) {
        SetStatus(IPL_BadImageSize);
        return nullptr;
    }
    const std::int64_t rowBytes = static_cast<std::int64_t>(width) * nChannels;
    const std::int64_t step = (rowBytes + align - 1) / align * align;
    const std::int64_t size = step * height;
    if (size > std::numeric_limits<int>::max()) {
        SetStatus(IPL_BadImageSize);
        return nullptr;
    }
    auto* image = new (std::nothrow) IplImage{};
    if (image == nullptr) {
        SetStatus(IPL_StsNoMem);
        return nullptr;
    }
    image->nSize = static_cast<int>(sizeof(IplImage));
    image->nChannels = nChannels;
    image->alphaChannel = alphaChannel;
    image->depth = depth;
    CopyName(image->colorModel, colorModel);
    CopyName(image->channelSeq, channelSeq);
    image->dataOrder = dataOrder;
    image->origin = origin;
    image->align = align;
    image->width = width;
    image->height = height;
    image->roi = roi;
    image->maskROI = maskROI;
    image->imageId = imageId;
    image->tileInfo = tileInfo;
    image->imageSize = static_cast<int>(size);
    image->widthStep = static_cast<int>(step);
    return image;
}

namespace {

// Frame-sized image blocks are kept for the next image of the same size:
// a production or a player makes and drops several such images per frame,
// and fresh memory of that size costs a page fault per page every time.
// Each block starts with its size.
constexpr std::size_t kBlockHeader = 32;
constexpr std::size_t kSmallestKeptBlock = 256 * 1024;
constexpr std::size_t kKeptBlocks = 8;
constexpr std::size_t kKeptBytes = 64 * 1024 * 1024;

struct KeptBlocks {
    std::mutex lock;
    std::vector<char*> blocks;
    std::size_t bytes = 0;
};

// Never destroyed: images may still be released by other objects' exit
// handlers.
KeptBlocks& Kept()
{
    static auto* kept = new KeptBlocks;
    return *kept;
}

std::size_t SizeOf(const char* block)
{
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    return size;
}

// `bytes` of data, behind the block's header; null when out of memory.
char* TakeImageBlock(std::size_t bytes)
{
    if (bytes >= kSmallestKeptBlock) {
        KeptBlocks& kept = Kept();
        std::lock_guard<std::mutex> guard(kept.lock);
        const auto found = std::find_if(kept.blocks.begin(), kept.blocks.end(),
                                        [&](const char* block) { return SizeOf(block) == bytes; });
        if (found != kept.blocks.end()) {
            char* block = *found;
            kept.blocks.erase(found);
            kept.bytes -= bytes;
            return block + kBlockHeader;
        }
    }
    auto* block = static_cast<char*>(std::malloc(bytes + kBlockHeader));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, &bytes, sizeof bytes);
    return block + kBlockHeader;
}

void GiveImageBlock(char* data)
{
    if (data == nullptr)
        return;
    char* block = data - kBlockHeader;
    const std::size_t bytes = SizeOf(block);
    if (bytes >= kSmallestKeptBlock) {
        KeptBlocks& kept = Kept();
        std::lock_guard<std::mutex> guard(kept.lock);
        if (kept.blocks.size() < kKeptBlocks && kept.bytes + bytes <= kKeptBytes) {
            kept.blocks.push_back(block);
            kept.bytes += bytes;
            return;
        }
    }
    std::free(block);
}

} // namespace

void iplAllocateImage(IplImage* image, int doFill, int fillValue)
{
    SetStatus(IPL_StsOk);
    if (image == nullptr) {
        SetStatus(IPL_HeaderIsNull);
        return;
    }
    if (image->imageSize <= 0) {
        SetStatus(IPL_BadImageSize);
        return;
    }
    iplDeallocateImage(image);
    constexpr std::size_t kAlign = 32;
    char* origin = TakeImageBlock(static_cast<std::size_t>(image->imageSize) + kAlign - 1);
    if (origin == nullptr) {
        SetStatus(IPL_StsNoMem);
        return;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(origin);
    image->imageDataOrigin = origin;
    image->imageData = origin + ((kAlign - address % kAlign) % kAlign);
    std::memset(image->imageData, doFill != 0 ? (fillValue & 0xFF) : 0, static_cast<std::size_t>(image->imageSize));
}

void iplDeallocateHeader(IplImage* image)
{
    SetStatus(IPL_StsOk);
    if (image == nullptr)
        return;
    delete image->roi;
    delete image;
}

void iplDeallocateImage(IplImage* image)
{
    SetStatus(IPL_StsOk);
    if (image == nullptr)
        return;
    GiveImageBlock(image->imageDataOrigin);
    image->imageDataOrigin = nullptr;
    image->imageData = nullptr;
}

void iplDeallocate(IplImage* image, int flag)
{
    SetStatus(IPL_StsOk);
    if (image == nullptr) {
        SetStatus(IPL_HeaderIsNull);
        return;
    }
    if (flag & IPL_IMAGE_DATA)
        iplDeallocateImage(image);
    if (flag & IPL_IMAGE_ROI) {
        delete image->roi;
        image->roi = nullptr;
    }
    if (flag & IPL_IMAGE_TILE)
        image->tileInfo = nullptr;
    if (flag & IPL_IMAGE_MASK)
        image->maskROI = nullptr;
    if (flag & IPL_IMAGE_HEADER)
        iplDeallocateHeader(image);
}

IPLStatus iplGetErrStatus()
{
    return t_status;
}

void iplSetErrStatus(IPLStatus status)
{
    SetStatus(status);
}

IplROI* iplCreateROI(int coi, int xOffset, int yOffset, int width, int height)
{
    SetStatus(IPL_StsOk);
    auto* roi = new (std::nothrow) IplROI{coi, xOffset, yOffset, width, height};
    if (roi == nullptr)
        SetStatus(IPL_StsNoMem);
    return roi;
}

void iplSetROI(IplROI* roi, int coi, int xOffset, int yOffset, int width, int height)
{
    SetStatus(IPL_StsOk);
    if (roi == nullptr) {
        SetStatus(IPL_StsNullPtr);
        return;
    }
    *roi = {coi, xOffset, yOffset, width, height};
}

void iplDeleteROI(IplROI* roi)
{
    SetStatus(IPL_StsOk);
    delete roi;
}

void iplCopy(const IplImage* srcImage, IplImage* dstImage)
{
    SetStatus(IPL_StsOk);
    View src;
    View dst;
    ChannelPlan plan;
    if (!MakeView(srcImage, src) || !MakeView(dstImage, dst) || !PlanChannels(src, dst, plan))
        return;
    const int width = std::min(src.width, dst.width);
    const int height = std::min(src.height, dst.height);
    if (src.data == dst.data && src.step == dst.step && plan.srcFirst == plan.dstFirst)
        return;
    RegionCopy copy;
    if (Overlaps(src, dst) && !copy.Take(src))
        return;
    const BYTE* s = src.data + plan.srcFirst;
    BYTE* d = dst.data + plan.dstFirst;
    if (plan.count == src.channels && plan.count == dst.channels) {
        const std::size_t rowBytes = static_cast<std::size_t>(width) * plan.count;
        for (int y = 0; y < height; ++y)
            std::memcpy(d + static_cast<std::ptrdiff_t>(y) * dst.step, s + static_cast<std::ptrdiff_t>(y) * src.step,
                        rowBytes);
        return;
    }
    const RowMover move = PickMover<false>(plan.count);
    for (int y = 0; y < height; ++y)
        move(s + static_cast<std::ptrdiff_t>(y) * src.step, src.channels, d + static_cast<std::ptrdiff_t>(y) * dst.step,
             dst.channels, width);
}

void iplSet(IplImage* image, int fillValue)
{
    SetStatus(IPL_StsOk);
    View view;
    if (!MakeView(image, view))
        return;
    const auto value = static_cast<BYTE>(fillValue & 0xFF);
    if (view.coi == 0) {
        const std::size_t rowBytes = static_cast<std::size_t>(view.width) * view.channels;
        for (int y = 0; y < view.height; ++y)
            std::memset(view.Row(y), value, rowBytes);
        return;
    }
    const int channels = view.channels;
    for (int y = 0; y < view.height; ++y) {
        BYTE* row = view.Row(y) + (view.coi - 1);
        for (int x = 0; x < view.width; ++x)
            row[static_cast<std::ptrdiff_t>(x) * channels] = value;
    }
}

void iplMirror(const IplImage* srcImage, IplImage* dstImage, int flipAxis)
{
    SetStatus(IPL_StsOk);
    if (flipAxis < -1 || flipAxis > 1) {
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
    RegionCopy copy;
    if (Overlaps(src, dst) && !copy.Take(src))
        return;
    const bool upsideDown = flipAxis != 1;
    const RowMover move = flipAxis != 0 ? PickMover<true>(plan.count) : PickMover<false>(plan.count);
    for (int y = 0; y < height; ++y) {
        const BYTE* s = src.Row(upsideDown ? height - 1 - y : y) + plan.srcFirst;
        move(s, src.channels, dst.Row(y) + plan.dstFirst, dst.channels, width);
    }
}
