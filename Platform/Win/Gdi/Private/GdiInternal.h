#pragma once
// The GDI object model behind Gdi.h, shared by the GDI's own files and its
// text engine; nothing outside the GDI includes it (USER makes window DCs
// through SurfaceDc.h). See the shape described in Gdi.h.

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Gdi/RectRegion.h"
#include "Platform/Win/Gdi/Surface.h"
#include "Platform/Win/Gdi/SurfaceDc.h"

namespace win::gdi {

// Every object kind is its OBJ_* value (OBJ_PEN, OBJ_BRUSH, OBJ_FONT, ...).
// A kind defined elsewhere (the text engine's fonts) derives from GdiObject
// with its OBJ_* value and overrides Describe for GetObject.
class GdiObject {
public:
    explicit GdiObject(DWORD type) : m_type(type) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    virtual ~GdiObject();
    DWORD Type() const { return m_type; }

    // GetObject: with a null buffer the size needed; otherwise the bytes
    // written (at most `size`), 0 when the object has no description.
    virtual int Describe(int size, void* buffer) const;

    // Stock objects are never deleted.
    bool m_stock = false;
    // DeleteObject on a selected object only marks it; the last deselection
    // removes it, as Windows does.
    std::atomic<int> m_selections{0};
    std::atomic<bool> m_deletePending{false};

private:
    DWORD m_type;
};

class Brush final : public GdiObject {
public:
    Brush(UINT style, COLORREF color) : GdiObject(OBJ_BRUSH), m_style(style), m_color(color) {}
    COLORREF Color() const { return m_color; }
    int Describe(int size, void* buffer) const override;

    UINT m_style;
    COLORREF m_color;
    // BS_HATCHED: the HS_* style.
    LONG m_hatch = 0;
    // BS_PATTERN: the pattern's pixels (0x00RRGGBB) and whether they came
    // from a monochrome bitmap, whose 0 and 1 take the DC's text and
    // background colours.
    LONG m_patternWidth = 0;
    LONG m_patternHeight = 0;
    std::vector<DWORD> m_pattern;
    bool m_patternMono = false;
    HBITMAP m_patternBitmap = nullptr;
};

class Pen final : public GdiObject {
public:
    Pen(DWORD type, UINT style, LONG width, COLORREF color)
        : GdiObject(type), m_style(style), m_width(width), m_color(color)
    {
    }
    UINT Kind() const { return m_style & PS_STYLE_MASK; }
    int Describe(int size, void* buffer) const override;

    UINT m_style;
    LONG m_width;
    COLORREF m_color;
};

// The pixel layout of a device-independent bitmap, with the conversions of
// whole rows to and from surface pixels (0x00RRGGBB).
struct DibFormat {
    LONG width = 0;
    LONG height = 0; // positive
    bool topDown = false;
    WORD bitCount = 32;
    DWORD masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
    std::vector<DWORD> colors; // the colour table as surface pixels

    size_t Stride() const { return ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4; }
    size_t ImageSize() const { return Stride() * static_cast<size_t>(height); }
    // Row `y` counted from the top of the image.
    size_t RowOffset(LONG y) const { return Stride() * static_cast<size_t>(topDown ? y : height - 1 - y); }
    void ReadRow(const BYTE* row, DWORD* out) const;
    void WriteRow(const DWORD* in, BYTE* row) const;
};

// Reads a BITMAPINFO (or BITMAPCOREHEADER) into a format; false for what
// is not a valid uncompressed layout. DIB_PAL_COLORS indices go through
// `palette` (the DC's) when given. `available` is how many bytes at `info`
// may be read: the header, masks or colour table that do not fit in it are
// refused before they are read. Callers handed a BITMAPINFO by the
// application leave it unbounded, as Windows does.
constexpr size_t kUnboundedDibInfo = static_cast<size_t>(-1);
bool ParseDibFormat(const BITMAPINFO* info, UINT usage, HPALETTE palette, DibFormat* format,
                    size_t available = kUnboundedDibInfo);

// A bitmap draws on its 32-bit surface. A DIB section also keeps its bits
// in its own layout for the application; the GDI copies them into the
// surface before it reads and back after it writes.
class Bitmap final : public GdiObject {
public:
    Bitmap() : GdiObject(OBJ_BITMAP) {}
    int Describe(int size, void* buffer) const override;
    // With the surface lock held: the application's bits of rows
    // [top, bottom) into the surface and back. Given `before` (the rows as
    // imported), export rewrites only the pixels that changed, so the others
    // keep their exact bits.
    void ImportBits() { ImportRows(0, m_height, nullptr); }
    void ImportRows(LONG top, LONG bottom, std::vector<DWORD>* before);
    void ExportRows(LONG top, LONG bottom, const std::vector<DWORD>* before);

    LONG m_width = 0;
    LONG m_height = 0;
    WORD m_bitsPixel = 32;
    bool m_mono = false; // a 1-bit device bitmap: pixels are 0 or 0xFFFFFF
    std::shared_ptr<Surface> m_surface;
    bool m_dib = false;
    DibFormat m_format;
    std::vector<BYTE> m_bits;
    // Memory DCs it is selected into (a bitmap goes into one at a time).
    std::atomic<int> m_selectedIn{0};
};

class Palette final : public GdiObject {
public:
    Palette() : GdiObject(OBJ_PAL) {}
    int Describe(int size, void* buffer) const override;
    std::vector<PALETTEENTRY> m_entries;
};

// A region object; the window system already accepts them where Win32 takes
// an HRGN.
class Region final : public GdiObject {
public:
    Region() : GdiObject(OBJ_REGION) {}
    detail::RectRegion m_region;
};

// The base of the text engine's font objects; the rest of the GDI only
// selects, saves and restores them.
class FontObject : public GdiObject {
public:
    FontObject() : GdiObject(OBJ_FONT) {}
    // SYSTEM_FONT, DEFAULT_GUI_FONT, ... for stock fonts; -1 otherwise.
    int m_stockIndex = -1;
};
// The text engine's font for a stock font index, made on the first
// GetStockObject of that font.
std::shared_ptr<FontObject> MakeStockFont(int stockIndex);

// A pointer to a selected object that counts as a selection for the
// deferred deletion of GdiObject; copies (SaveDC) count too.
class Selected {
public:
    Selected() = default;
    Selected(HGDIOBJ handle, std::shared_ptr<GdiObject> object);
    Selected(const Selected& other);
    Selected& operator=(const Selected& other);
    ~Selected();
    HGDIOBJ Handle() const { return m_handle; }
    const std::shared_ptr<GdiObject>& Object() const { return m_object; }
    template <typename T> T* As() const { return dynamic_cast<T*>(m_object.get()); }

private:
    void Release();
    HGDIOBJ m_handle = nullptr;
    std::shared_ptr<GdiObject> m_object;
};

// What SaveDC keeps and RestoreDC brings back. Coordinates are logical
// unless named device.
struct DcState {
    Selected pen;
    Selected brush;
    Selected font;
    Selected bitmap; // memory DCs
    Selected palette;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = 2; // OPAQUE
    UINT textAlign = 0;
    int rop2 = 13; // R2_COPYPEN
    int polyFillMode = 1; // ALTERNATE
    int stretchMode = 1; // BLACKONWHITE
    int mapMode = 1; // MM_TEXT
    POINT brushOrg{0, 0};
    POINT current{0, 0};
    POINT windowOrg{0, 0};
    POINT viewportOrg{0, 0};
    // The application's clip region in device coordinates, when selected.
    std::optional<detail::RectRegion> clip;
};

class DeviceContext : public GdiObject {
public:
    explicit DeviceContext(DWORD type = OBJ_DC) : GdiObject(type) {}

    // The device area drawing may touch, in surface coordinates:
    // m_visible, within the clip region when one is selected.
    detail::RectRegion DrawableRegion() const;
    // Logical to surface coordinates (MM_TEXT: both origins and m_origin).
    POINT ToSurface(POINT logical) const;
    POINT ToSurface(LONG x, LONG y) const { return ToSurface(POINT{x, y}); }
    // Logical to device coordinates (the clip region's space).
    POINT ToDevice(POINT logical) const;
    POINT FromDevice(POINT device) const;
    // True when drawing lands on a 1-bit surface (a memory DC with a
    // monochrome bitmap), whose pixels are 0 or 0xFFFFFF.
    bool IsMono() const { return m_mono; }

    DcKind m_kind = DcKind::Client;
    HWND m_window = nullptr;
    std::shared_ptr<Surface> m_surface;
    POINT m_origin{0, 0};
    detail::RectRegion m_visible;
    bool m_mono = false;
    DcState m_state;
    std::vector<DcState> m_saved;
    // The text engine's per-DC data, if it needs any.
    std::shared_ptr<void> m_textData;
};

// Holds a DC's surface lock for one drawing call; a DIB section's bits are
// copied into the surface first and, when the call writes, back after.
// `area` (surface coordinates), when given, limits that copying to the rows
// the call touches. A second lock on the same surface (a blit within one
// bitmap) shares the first, whose area must then cover both.
class SurfaceLock {
public:
    SurfaceLock(const DeviceContext& dc, bool writes, const SurfaceLock* sharing = nullptr,
                const RECT* area = nullptr);
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;
    ~SurfaceLock();
    bool Valid() const { return m_surface != nullptr; }
    Surface& Pixels() const { return *m_surface; }

private:
    Surface* m_surface = nullptr;
    Bitmap* m_dib = nullptr;
    LONG m_top = 0;
    LONG m_bottom = 0;
    std::vector<DWORD> m_before;
    bool m_writes = false;
    bool m_owner = false;
    std::shared_ptr<GdiObject> m_keep;
};

// The object's new handle; null when every GDI handle is open.
HGDIOBJ InsertObject(std::shared_ptr<GdiObject> object);
// Null (without touching the last error) when the handle is not open.
std::shared_ptr<GdiObject> LookupObject(HGDIOBJ handle);
template <typename T> std::shared_ptr<T> LookupAs(HGDIOBJ handle)
{
    return std::dynamic_pointer_cast<T>(LookupObject(handle));
}
bool RemoveObject(HGDIOBJ handle);

// Fills a new DC's state with the stock objects.
void InitDcState(DcState* state);
// The 20 static colours of the system palette.
const PALETTEENTRY* SystemPaletteEntries();
// The 1 x 1 monochrome bitmap a new memory DC holds.
HBITMAP StockBitmap();
// A device bitmap: 1-bit (pixels 0 or 0xFFFFFF) or 32-bit, filled with
// black.
std::shared_ptr<Bitmap> MakeDeviceBitmap(LONG width, LONG height, bool mono);
// A COLORREF (RGB, PALETTEINDEX or PALETTERGB) as the surface pixel the DC
// draws it with: a palette index through the DC's palette, and black or
// white on a monochrome surface.
DWORD DcPixel(const DeviceContext& dc, COLORREF color);

} // namespace win::gdi
