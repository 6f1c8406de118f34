#pragma once
// Every kind of handle the platform hands out, and the values each may take.
// A handle is a number from its kind's range, never a pointer: the ranges are
// disjoint, so a handle of one kind given where another is expected is
// refused by the table it is looked up in instead of naming some object of
// the wrong kind. The checks below the table hold the ranges apart at
// compile time; a new kind is one more row.
//
// Values kept on purpose, because callers lean on them:
// - every range lies below 2^31, so a handle survives a trip through a
//   32-bit field (SetClassLong of a brush, a LONG in a window's extra bytes)
//   and stays clear of the pseudo handles (-1, -2) and of the predefined
//   registry keys at 0x80000000;
// - nothing starts below 0x1000, where null, the system colour brushes
//   (COLOR_* + 1) and the small integers callers confuse with handles live;
// - kernel object handles are multiples of 4, as on Windows;
// - moveable global memory handles are 4 modulo 16, so that they never
//   equal the 16-byte aligned address that is the handle of a fixed block
//   (both live in one table);
// - the program's module handle is 0x400000 and loaded modules follow it
//   0x10000 apart;
// - stock cursors and icons are their kind's first value plus the resource
//   number (IDC_*, IDI_*), so they are recognised without a table.
// Tables hand values out upwards through their range, a step apart, and
// wrap round to its start skipping values still open, so a value comes
// back only after the whole range has been used (HandleTable.h).

#include <cstddef>
#include <iterator>

#include "Platform/Win/Base/WinTypes.h"

namespace win {

enum class HandleKind {
    Reserved,      // null, system colour brushes, small integers
    KernelObject,  // HANDLE: files, find handles, events, mutexes, semaphores, threads, processes, queues
    Window,        // HWND
    Module,        // HMODULE: the program's, then the loaded modules'
    StockCursor,   // HCURSOR of LoadCursor(nullptr, IDC_*)
    StockIcon,     // HICON of LoadIcon(nullptr, IDI_*)
    RegistryKey,   // HKEY opened by RegOpenKeyEx / RegCreateKeyEx
    GlobalMemory,  // moveable HGLOBAL (a fixed block's handle is its address)
    Icon,          // HICON / HCURSOR loaded or made
    Menu,          // HMENU
    Accelerator,   // HACCEL
    ImageList,     // HIMAGELIST
    Mmio,          // HMMIO
    WaveOut,       // HWAVEOUT
    AcmStream,     // HACMSTREAM
    Compressor,    // HIC
    GdiObject,     // HGDIOBJ: DCs, pens, brushes, fonts, bitmaps, regions, palettes
    PredefinedKey, // HKEY_CLASSES_ROOT .. HKEY_DYN_DATA
    Count,
};

struct HandleRange {
    HandleKind kind;
    const char* name;
    UINT_PTR first;
    UINT_PTR end;  // one past the last value
    UINT_PTR step; // 0: the values are fixed by their owner, not handed out by a table
};

// In address order.
inline constexpr HandleRange kHandleRanges[] = {
    {HandleKind::Reserved, "reserved", 0x00000000, 0x00001000, 0},
    {HandleKind::KernelObject, "kernel object", 0x00001000, 0x00100000, 4},
    {HandleKind::Window, "window", 0x00100000, 0x00400000, 4},
    {HandleKind::Module, "module", 0x00400000, 0x00800000, 0x10000},
    {HandleKind::StockCursor, "stock cursor", 0x00800000, 0x00810000, 0},
    {HandleKind::StockIcon, "stock icon", 0x00810000, 0x00820000, 0},
    {HandleKind::RegistryKey, "registry key", 0x00900000, 0x00A00000, 4},
    {HandleKind::GlobalMemory, "global memory", 0x00A00004, 0x00C00000, 16},
    {HandleKind::Icon, "icon", 0x00C00000, 0x00D00000, 4},
    {HandleKind::Menu, "menu", 0x00D00000, 0x00E00000, 4},
    {HandleKind::Accelerator, "accelerator table", 0x00E00000, 0x00F00000, 4},
    {HandleKind::ImageList, "image list", 0x00F00000, 0x01000000, 4},
    {HandleKind::Mmio, "multimedia file", 0x01000000, 0x01100000, 4},
    {HandleKind::WaveOut, "wave output device", 0x01100000, 0x01200000, 4},
    {HandleKind::AcmStream, "audio conversion stream", 0x01200000, 0x01300000, 4},
    {HandleKind::Compressor, "video compressor", 0x01300000, 0x01400000, 4},
    {HandleKind::GdiObject, "GDI object", 0x10000000, 0x40000000, 4},
    {HandleKind::PredefinedKey, "predefined registry key", 0x80000000, 0x80000007, 0},
};

constexpr const HandleRange& RangeOf(HandleKind kind)
{
    for (const HandleRange& range : kHandleRanges)
        if (range.kind == kind)
            return range;
    return kHandleRanges[0];
}

// How many values a table of the range can have open at once.
constexpr size_t CapacityOf(const HandleRange& range)
{
    return range.step ? static_cast<size_t>((range.end - range.first + range.step - 1) / range.step) : 0;
}

namespace detail {

constexpr bool EveryKindListedOnceInOrder()
{
    if (std::size(kHandleRanges) != static_cast<size_t>(HandleKind::Count))
        return false;
    for (size_t i = 0; i < std::size(kHandleRanges); ++i)
        if (kHandleRanges[i].kind != static_cast<HandleKind>(i))
            return false;
    return true;
}

constexpr bool RangesInOrderAndApart()
{
    for (size_t i = 0; i < std::size(kHandleRanges); ++i) {
        if (kHandleRanges[i].first >= kHandleRanges[i].end)
            return false;
        if (i > 0 && kHandleRanges[i - 1].end > kHandleRanges[i].first)
            return false;
    }
    return true;
}

constexpr bool HandedOutRangesBetween4KAnd2G()
{
    for (const HandleRange& range : kHandleRanges)
        if (range.step && (range.first < 0x1000 || range.end > 0x80000000u))
            return false;
    return true;
}

} // namespace detail

static_assert(detail::EveryKindListedOnceInOrder(), "every handle kind has one row, in the enum's order");
static_assert(detail::RangesInOrderAndApart(), "handle ranges are listed in address order and never overlap");
static_assert(detail::HandedOutRangesBetween4KAnd2G(), "handed-out ranges lie in [0x1000, 2^31)");
static_assert(RangeOf(HandleKind::KernelObject).first % 4 == 0 && RangeOf(HandleKind::KernelObject).step == 4,
              "kernel handles are multiples of 4");
static_assert(RangeOf(HandleKind::GlobalMemory).first % 16 == 4 && RangeOf(HandleKind::GlobalMemory).step == 16,
              "moveable memory handles are 4 modulo 16, never a fixed block's aligned address");
static_assert(RangeOf(HandleKind::Module).first == 0x400000 && RangeOf(HandleKind::Module).step == 0x10000,
              "the program's module handle is 0x400000, and modules follow it 0x10000 apart");
static_assert(RangeOf(HandleKind::StockCursor).end - RangeOf(HandleKind::StockCursor).first > 0xFFFF &&
                  RangeOf(HandleKind::StockIcon).end - RangeOf(HandleKind::StockIcon).first > 0xFFFF,
              "a stock cursor or icon is its base plus any 16-bit resource number");

} // namespace win
