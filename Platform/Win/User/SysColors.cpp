// The system colours (the classic Windows scheme) and their brushes.

#include <array>

#include "Platform/Win/Gdi/SurfaceDc.h"
#include "Platform/Win/User/User.h"

namespace {

constexpr std::array<COLORREF, COLOR_MENUBAR + 1> kSysColors = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(10, 36, 106),
    RGB(212, 208, 200),
};

// Made once, stock objects of the GDI from then on, never deleted.
const std::array<HBRUSH, kSysColors.size()>& SysColorBrushes()
{
    static const auto brushes = [] {
        std::array<HBRUSH, kSysColors.size()> made{};
        for (size_t i = 0; i < kSysColors.size(); ++i) {
            made[i] = CreateSolidBrush(kSysColors[i]);
            win::gdi::MakeStockObject(made[i]);
        }
        return made;
    }();
    return brushes;
}

} // namespace

DWORD GetSysColor(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= kSysColors.size())
        return 0;
    return kSysColors[static_cast<size_t>(index)];
}

HBRUSH GetSysColorBrush(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= kSysColors.size())
        return nullptr;
    return SysColorBrushes()[static_cast<size_t>(index)];
}
