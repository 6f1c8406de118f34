#include "Platform/Win/Gdi/Private/GdiInternal.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#include "Platform/Win/Kernel/HandleTable.h"

namespace win::gdi {

namespace {

HandleTable<GdiObject>& Table()
{
    // Lives until exit: DCs may be released from atexit code.
    static auto* table = new HandleTable<GdiObject>(HandleKind::GdiObject);
    return *table;
}

constexpr PALETTEENTRY kSystemPalette[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

constexpr int kStockCount = DC_PEN + 1;

struct StockObjects {
    std::array<HGDIOBJ, kStockCount> stock{};
    std::mutex fontLock;
};

HGDIOBJ InsertStock(std::shared_ptr<GdiObject> object)
{
    object->m_stock = true;
    return InsertObject(std::move(object));
}

HBRUSH InsertStockBrush(UINT style, COLORREF color)
{
    return static_cast<HBRUSH>(InsertStock(std::make_shared<Brush>(style, color)));
}

bool IsFontIndex(int index)
{
    return (index >= OEM_FIXED_FONT && index <= DEVICE_DEFAULT_FONT) || index == SYSTEM_FIXED_FONT ||
           index == DEFAULT_GUI_FONT;
}

StockObjects& Stock()
{
    static StockObjects* objects = [] {
        auto* made = new StockObjects;
        constexpr COLORREF kGreys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                       RGB(64, 64, 64), RGB(0, 0, 0)};
        for (size_t i = 0; i < 5; ++i)
            made->stock[i] = InsertStockBrush(BS_SOLID, kGreys[i]);
        made->stock[NULL_BRUSH] = InsertStockBrush(BS_NULL, 0);
        made->stock[WHITE_PEN] = InsertStock(std::make_shared<Pen>(OBJ_PEN, PS_SOLID, 0, RGB(255, 255, 255)));
        made->stock[BLACK_PEN] = InsertStock(std::make_shared<Pen>(OBJ_PEN, PS_SOLID, 0, RGB(0, 0, 0)));
        made->stock[NULL_PEN] = InsertStock(std::make_shared<Pen>(OBJ_PEN, PS_NULL, 0, RGB(0, 0, 0)));
        auto palette = std::make_shared<Palette>();
        palette->m_entries.assign(std::begin(kSystemPalette), std::end(kSystemPalette));
        made->stock[DEFAULT_PALETTE] = InsertStock(std::move(palette));
        made->stock[DC_BRUSH] = made->stock[WHITE_BRUSH];
        made->stock[DC_PEN] = made->stock[BLACK_PEN];
        return made;
    }();
    return *objects;
}

HGDIOBJ StockFont(int index)
{
    StockObjects& stock = Stock();
    std::lock_guard<std::mutex> guard(stock.fontLock);
    HGDIOBJ& slot = stock.stock[static_cast<size_t>(index)];
    if (!slot) {
        std::shared_ptr<FontObject> font = MakeStockFont(index);
        font->m_stockIndex = index;
        slot = InsertStock(std::move(font));
    }
    return slot;
}

// Copies `object` into `buffer` as GetObject does: the size needed for a
// null buffer, otherwise at most `size` bytes.
template <typename T> int CopyOut(const T& object, int size, void* buffer)
{
    if (!buffer)
        return static_cast<int>(sizeof(T));
    if (size <= 0)
        return 0;
    int count = std::min(size, static_cast<int>(sizeof(T)));
    std::memcpy(buffer, &object, static_cast<size_t>(count));
    return count;
}

} // namespace

GdiObject::~GdiObject() = default;

int GdiObject::Describe(int, void*) const { return 0; }

int Brush::Describe(int size, void* buffer) const
{
    LOGBRUSH brush{m_style, Color(), 0};
    if (m_style == BS_HATCHED)
        brush.lbHatch = static_cast<ULONG_PTR>(m_hatch);
    else if (m_style == BS_PATTERN)
        brush.lbHatch = reinterpret_cast<ULONG_PTR>(m_patternBitmap);
    return CopyOut(brush, size, buffer);
}

int Pen::Describe(int size, void* buffer) const
{
    if (Type() == OBJ_EXTPEN) {
        EXTLOGPEN pen{};
        pen.elpPenStyle = m_style;
        pen.elpWidth = static_cast<DWORD>(m_width);
        pen.elpBrushStyle = Kind() == PS_NULL ? BS_NULL : BS_SOLID;
        pen.elpColor = m_color;
        return CopyOut(pen, size, buffer);
    }
    LOGPEN pen{m_style, POINT{m_width, 0}, m_color};
    return CopyOut(pen, size, buffer);
}

int Palette::Describe(int size, void* buffer) const
{
    WORD count = static_cast<WORD>(m_entries.size());
    return CopyOut(count, size, buffer);
}


Selected::Selected(HGDIOBJ handle, std::shared_ptr<GdiObject> object) : m_handle(handle), m_object(std::move(object))
{
    if (m_object)
        ++m_object->m_selections;
}

Selected::Selected(const Selected& other) : Selected(other.m_handle, other.m_object) {}

Selected& Selected::operator=(const Selected& other)
{
    if (this != &other) {
        Selected copy(other);
        Release();
        m_handle = copy.m_handle;
        m_object = copy.m_object;
        if (m_object)
            ++m_object->m_selections;
    }
    return *this;
}

Selected::~Selected() { Release(); }

void Selected::Release()
{
    if (m_object && --m_object->m_selections == 0 && m_object->m_deletePending.load())
        RemoveObject(m_handle);
    m_object.reset();
    m_handle = nullptr;
}

void InitDcState(DcState* state)
{
    StockObjects& stock = Stock();
    *state = DcState{};
    state->pen = Selected(stock.stock[BLACK_PEN], LookupObject(stock.stock[BLACK_PEN]));
    state->brush = Selected(stock.stock[WHITE_BRUSH], LookupObject(stock.stock[WHITE_BRUSH]));
    HGDIOBJ font = StockFont(SYSTEM_FONT);
    state->font = Selected(font, LookupObject(font));
    state->palette = Selected(stock.stock[DEFAULT_PALETTE], LookupObject(stock.stock[DEFAULT_PALETTE]));
}

const PALETTEENTRY* SystemPaletteEntries() { return kSystemPalette; }

detail::RectRegion DeviceContext::DrawableRegion() const
{
    detail::RectRegion area = m_visible;
    if (m_state.clip) {
        detail::RectRegion clip = *m_state.clip;
        clip.Offset(m_origin.x, m_origin.y);
        area.Intersect(clip);
    }
    return area;
}

HGDIOBJ InsertObject(std::shared_ptr<GdiObject> object) { return Table().Add<HGDIOBJ>(std::move(object)); }

std::shared_ptr<GdiObject> LookupObject(HGDIOBJ handle) { return Table().Find(handle); }

bool RemoveObject(HGDIOBJ handle) { return Table().Remove(handle) != nullptr; }

HDC CreateSurfaceDC(DcKind kind, HWND window, std::shared_ptr<Surface> surface, POINT origin,
                    detail::RectRegion visible)
{
    auto dc = std::make_shared<DeviceContext>();
    dc->m_kind = kind;
    dc->m_window = window;
    dc->m_surface = std::move(surface);
    dc->m_origin = origin;
    dc->m_visible = std::move(visible);
    InitDcState(&dc->m_state);
    return static_cast<HDC>(InsertObject(std::move(dc)));
}

bool ReleaseSurfaceDC(HDC dc)
{
    auto context = LookupAs<DeviceContext>(dc);
    if (!context || context->m_kind == DcKind::Memory)
        return false;
    return RemoveObject(dc);
}

HWND SurfaceDcWindow(HDC dc)
{
    auto context = LookupAs<DeviceContext>(dc);
    return context ? context->m_window : nullptr;
}

bool ClipSurfaceDc(HDC dc, const detail::RectRegion& area, bool exclude)
{
    auto context = LookupAs<DeviceContext>(dc);
    if (!context || context->m_kind == DcKind::Memory)
        return false;
    if (exclude)
        context->m_visible.Subtract(area);
    else
        context->m_visible.Intersect(area);
    return true;
}

bool RegionArea(HRGN region, detail::RectRegion* area)
{
    auto object = LookupAs<Region>(region);
    if (!object)
        return false;
    *area = object->m_region;
    return true;
}

void MakeStockObject(HGDIOBJ object)
{
    if (auto found = LookupObject(object))
        found->m_stock = true;
}

namespace {
std::atomic<LONG> g_displayWidth{1024};
std::atomic<LONG> g_displayHeight{768};
} // namespace

void SetDisplaySize(LONG width, LONG height)
{
    g_displayWidth = width;
    g_displayHeight = height;
}

SIZE DisplaySize() { return SIZE{g_displayWidth.load(), g_displayHeight.load()}; }

} // namespace win::gdi

using namespace win::gdi;

HBRUSH CreateSolidBrush(COLORREF color)
{
    // PALETTEINDEX and PALETTERGB keep their flag; the DC resolves them.
    return static_cast<HBRUSH>(InsertObject(std::make_shared<Brush>(BS_SOLID, color & 0x03FFFFFF)));
}

HGDIOBJ GetStockObject(int index)
{
    if (index < 0 || index >= kStockCount)
        return nullptr;
    if (IsFontIndex(index))
        return StockFont(index);
    return Stock().stock[static_cast<size_t>(index)];
}

BOOL DeleteObject(HGDIOBJ object)
{
    auto found = LookupObject(object);
    // A DC is released with ReleaseDC or DeleteDC, never deleted as an object.
    if (!found || found->Type() == OBJ_DC || found->Type() == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->m_stock)
        return TRUE;
    if (found->m_selections.load() > 0) {
        found->m_deletePending = true;
        if (found->m_selections.load() > 0)
            return TRUE;
    }
    RemoveObject(object);
    return TRUE;
}

int GetObject(HGDIOBJ object, int size, LPVOID buffer)
{
    auto found = LookupObject(object);
    if (!found || found->m_deletePending.load()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (size < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return found->Describe(size, buffer);
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) { return GetObject(object, size, buffer); }

DWORD GetObjectType(HGDIOBJ object)
{
    auto found = LookupObject(object);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return found->Type();
}
