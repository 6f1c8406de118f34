#pragma once
// Fixtures of the GDI tests: memory DCs on colour or monochrome bitmaps,
// and pixel grids written as ASCII art (one character per pixel) to compare
// drawings with.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/User/User.h"

namespace gdi_test {

// A memory DC with its own bitmap selected, both freed on destruction.
class Canvas {
public:
    Canvas(HBITMAP bitmap) : m_dc(CreateCompatibleDC(nullptr)), m_bitmap(bitmap)
    {
        m_old = SelectObject(m_dc, m_bitmap);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas()
    {
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
    }
    HDC dc() const { return m_dc; }
    HBITMAP bitmap() const { return m_bitmap; }

private:
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
};

// A 32-bit colour canvas filled with `fill`.
inline std::unique_ptr<Canvas> ColorCanvas(int width, int height, COLORREF fill = RGB(255, 255, 255))
{
    auto canvas = std::make_unique<Canvas>(CreateBitmap(width, height, 1, 32, nullptr));
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    FillRect(canvas->dc(), &all, brush);
    DeleteObject(brush);
    return canvas;
}

// A 1-bit canvas filled with white (1).
inline std::unique_ptr<Canvas> MonoCanvas(int width, int height)
{
    auto canvas = std::make_unique<Canvas>(CreateBitmap(width, height, 1, 1, nullptr));
    PatBlt(canvas->dc(), 0, 0, width, height, WHITENESS);
    return canvas;
}

// The legend of the grids: '.' white, '#' black, and the colours the
// tests draw with.
inline const std::map<COLORREF, char>& Legend()
{
    static const std::map<COLORREF, char> legend = {
        {RGB(255, 255, 255), '.'}, {RGB(0, 0, 0), '#'},   {RGB(255, 0, 0), 'r'},
        {RGB(0, 255, 0), 'g'},     {RGB(0, 0, 255), 'b'}, {RGB(255, 0, 255), 'm'},
        {RGB(255, 255, 0), 'y'},   {RGB(0, 255, 255), 'c'}};
    return legend;
}

// The DC's pixels as rows of legend characters ('?' for other colours).
inline std::vector<std::string> Grid(HDC dc, int width, int height)
{
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            auto found = Legend().find(GetPixel(dc, x, y));
            row += found == Legend().end() ? '?' : found->second;
        }
        rows.push_back(row);
    }
    return rows;
}

// Paints a grid onto the DC.
inline void Paint(HDC dc, const std::vector<std::string>& rows)
{
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x)
            for (const auto& [color, c] : Legend())
                if (c == rows[y][x])
                    SetPixelV(dc, static_cast<int>(x), static_cast<int>(y), color);
}

inline std::string Show(const std::vector<std::string>& rows)
{
    std::string out = "\n";
    for (const std::string& row : rows)
        out += row + "\n";
    return out;
}

// Selects an object for the scope of a test block.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)), m_object(object) {}
    ~Selection()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_object);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
    HGDIOBJ m_object;
};

} // namespace gdi_test

#define EXPECT_GRID(dc, expected)                                                                              \
    do {                                                                                                       \
        std::vector<std::string> want_ = expected;                                                             \
        std::vector<std::string> got_ =                                                                        \
            gdi_test::Grid(dc, static_cast<int>(want_[0].size()), static_cast<int>(want_.size()));             \
        EXPECT_EQ(got_, want_) << "got" << gdi_test::Show(got_) << "want" << gdi_test::Show(want_);            \
    } while (0)
