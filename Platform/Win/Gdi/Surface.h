#pragma once
// The pixels a top-level window (or the desktop) is drawn into: 32 bits per
// pixel as 0x00RRGGBB, rows top-down. The drawing thread and the display's
// compositor use a surface at the same time, so every access to the pixels
// holds its lock.

#include <mutex>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"

namespace win {

// COLORREF is 0x00BBGGRR; a surface pixel is 0x00RRGGBB.
constexpr DWORD PixelFromColor(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
constexpr COLORREF ColorFromPixel(DWORD p) { return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF); }

class Surface {
public:
    // Sizes are clamped to [0, kMaxSide].
    static constexpr LONG kMaxSide = 16384;

    Surface(LONG width, LONG height, DWORD fill = 0);
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Guards the size and the pixels.
    std::mutex& Mutex() const { return m_mutex; }
    // With Mutex() held.
    LONG Width() const { return m_width; }
    LONG Height() const { return m_height; }
    DWORD* Row(LONG y) { return m_pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(m_width); }
    const DWORD* Row(LONG y) const { return m_pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(m_width); }
    // Fills the part of `rect` inside the surface, with Mutex() held.
    void FillLocked(const RECT& rect, DWORD pixel);

    // These take the lock themselves.
    // Keeps the pixels of the top-left part both sizes share and fills the rest.
    void Resize(LONG width, LONG height, DWORD fill);
    SIZE Size() const;
    void Fill(const RECT& rect, DWORD pixel);
    // 0 outside the surface.
    DWORD PixelAt(LONG x, LONG y) const;

private:
    mutable std::mutex m_mutex;
    LONG m_width = 0;
    LONG m_height = 0;
    std::vector<DWORD> m_pixels;
};

} // namespace win
