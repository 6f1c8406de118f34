#include "Platform/Win/GdiInternal.h"

#include <array>
#include <mutex>
#include <unordered_map>

namespace win::gdi {

namespace {

// Tokens are multiples of 4 well above the COLOR_* + 1 brush values and stay
// below 2^31, so that 32-bit SetClassLong keeps them whole.
constexpr UINT_PTR kFirstHandle = 0x00400000;

struct ObjectTable {
    std::mutex lock;
    std::unordered_map<UINT_PTR, std::shared_ptr<GdiObject>> objects;
    UINT_PTR next = kFirstHandle;
};

ObjectTable& Table()
{
    static auto* table = new ObjectTable; // lives until exit: DCs may be released from atexit code
    return *table;
}

// The classic Windows scheme.
constexpr std::array<COLORREF, 31> kSysColors = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(10, 36, 106),
    RGB(212, 208, 200),
};

struct StockBrushes {
    std::array<HBRUSH, 6> stock{};
    std::array<HBRUSH, kSysColors.size()> system{};
};

HBRUSH InsertStockBrush(UINT style, COLORREF color, int sysColor)
{
    auto brush = std::make_shared<Brush>(style, color, sysColor);
    brush->m_stock = true;
    return static_cast<HBRUSH>(InsertObject(std::move(brush)));
}

const StockBrushes& Stock()
{
    static const StockBrushes* brushes = [] {
        auto* made = new StockBrushes;
        constexpr COLORREF kGreys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                       RGB(64, 64, 64), RGB(0, 0, 0)};
        for (size_t i = 0; i < 5; ++i)
            made->stock[i] = InsertStockBrush(BS_SOLID, kGreys[i], -1);
        made->stock[NULL_BRUSH] = InsertStockBrush(BS_NULL, 0, -1);
        for (size_t i = 0; i < kSysColors.size(); ++i)
            made->system[i] = InsertStockBrush(BS_SOLID, kSysColors[i], static_cast<int>(i));
        return made;
    }();
    return *brushes;
}

} // namespace

GdiObject::~GdiObject() = default;

detail::RectRegion DeviceContext::DrawableRegion() const
{
    detail::RectRegion area = m_visible;
    if (m_clip) {
        detail::RectRegion clip = *m_clip;
        clip.Offset(m_origin.x, m_origin.y);
        area.Intersect(clip);
    }
    return area;
}

HGDIOBJ InsertObject(std::shared_ptr<GdiObject> object)
{
    ObjectTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    UINT_PTR value = t.next;
    t.next += 4;
    t.objects.emplace(value, std::move(object));
    return reinterpret_cast<HGDIOBJ>(value);
}

std::shared_ptr<GdiObject> LookupObject(HGDIOBJ handle)
{
    ObjectTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<UINT_PTR>(handle));
    return it == t.objects.end() ? nullptr : it->second;
}

bool RemoveObject(HGDIOBJ handle)
{
    std::shared_ptr<GdiObject> doomed; // destroyed after the table lock is left
    ObjectTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(reinterpret_cast<UINT_PTR>(handle));
    if (it == t.objects.end())
        return false;
    doomed = std::move(it->second);
    t.objects.erase(it);
    return true;
}

std::shared_ptr<Brush> ResolveBrush(HBRUSH brush)
{
    UINT_PTR value = reinterpret_cast<UINT_PTR>(brush);
    if (value >= 1 && value <= kSysColors.size())
        return LookupAs<Brush>(Stock().system[value - 1]);
    return LookupAs<Brush>(brush);
}

HDC CreateSurfaceDC(DcKind kind, HWND window, std::shared_ptr<Surface> surface, POINT origin,
                    detail::RectRegion visible)
{
    auto dc = std::make_shared<DeviceContext>();
    dc->m_kind = kind;
    dc->m_window = window;
    dc->m_surface = std::move(surface);
    dc->m_origin = origin;
    dc->m_visible = std::move(visible);
    return static_cast<HDC>(InsertObject(std::move(dc)));
}

bool ReleaseSurfaceDC(HDC dc)
{
    if (!LookupAs<DeviceContext>(dc))
        return false;
    return RemoveObject(dc);
}

} // namespace win::gdi

using namespace win::gdi;

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
    return Stock().system[static_cast<size_t>(index)];
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    return static_cast<HBRUSH>(InsertObject(std::make_shared<Brush>(BS_SOLID, color & 0x00FFFFFF)));
}

HGDIOBJ GetStockObject(int index)
{
    if (index < 0 || index > NULL_BRUSH)
        return nullptr;
    return Stock().stock[static_cast<size_t>(index)];
}

BOOL DeleteObject(HGDIOBJ object)
{
    auto found = LookupObject(object);
    // A DC is released with ReleaseDC or DeleteDC, never deleted as an object.
    if (!found || found->Type() == OBJ_DC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->m_stock)
        return TRUE;
    RemoveObject(object);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ object)
{
    auto found = LookupObject(object);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return found->Type();
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    auto context = LookupAs<DeviceContext>(dc);
    auto fill = ResolveBrush(brush);
    if (!context || !fill || !rect) {
        SetLastError(rect ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (fill->m_style == BS_NULL || !context->m_surface)
        return 1;
    RECT device = win::detail::OffsetRectBy(*rect, context->m_origin.x, context->m_origin.y);
    win::detail::RectRegion area = context->DrawableRegion();
    area.Intersect(device);
    DWORD pixel = win::PixelFromColor(fill->Color());
    std::lock_guard<std::mutex> guard(context->m_surface->Mutex());
    for (const RECT& part : area.Rects())
        context->m_surface->FillLocked(part, pixel);
    return 1;
}
