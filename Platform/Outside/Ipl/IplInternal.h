#pragma once
// What the library's sources share: the per-thread status, validated views
// of image regions, the channel plan of two-image operations and a scratch
// copy for operations whose output overlaps their input.

#include <cstddef>
#include <new>
#include <vector>

#include "Platform/Outside/Ipl/Ipl.h"

namespace ipl_detail {

void SetStatus(IPLStatus status);

// One image's region of interest, checked.
struct View {
    BYTE* data = nullptr;
    int width = 0;
    int height = 0;
    int step = 0;
    int channels = 0;
    int coi = 0;
    int alphaChannel = 0;

    BYTE* Row(int y) const { return data + static_cast<std::ptrdiff_t>(y) * step; }
};

// Fills `view` from the image and its ROI; sets the status and returns false
// when the image cannot be worked on.
bool MakeView(const IplImage* image, View& view);

// The channels a two-image operation moves: `count` adjacent channels from
// `srcFirst` in the source to `dstFirst` in the destination (all channels,
// or one).
struct ChannelPlan {
    int srcFirst = 0;
    int dstFirst = 0;
    int count = 0;
};
bool PlanChannels(const View& src, const View& dst, ChannelPlan& plan);

bool Overlaps(const View& a, const View& b);

// A packed private copy of a region, for operations that would otherwise
// overwrite pixels they still have to read.
class RegionCopy {
public:
    // Copies the region and points `view` at the copy; false with
    // IPL_StsNoMem when memory is short.
    bool Take(View& view);

private:
    std::vector<BYTE> m_bytes;
};

// Resizes without letting an allocation failure escape the library.
template <typename T>
bool TryResize(std::vector<T>& v, std::size_t count)
{
    try {
        v.resize(count);
        return true;
    } catch (const std::bad_alloc&) {
        SetStatus(IPL_StsNoMem);
        return false;
    }
}

template <typename T>
bool TryAssign(std::vector<T>& v, std::size_t count, const T& value)
{
    try {
        v.assign(count, value);
        return true;
    } catch (const std::bad_alloc&) {
        SetStatus(IPL_StsNoMem);
        return false;
    }
}

} // namespace ipl_detail
