#pragma once
// The GDI object model behind Gdi.h, shared with the USER layer (which makes
// window DCs) and extended by the GDI. See the shape described in Gdi.h.

#include <memory>
#include <optional>

#include "Platform/Win/Gdi.h"
#include "Platform/Win/RectRegion.h"
#include "Platform/Win/Surface.h"

namespace win::gdi {

class GdiObject {
public:
    explicit GdiObject(DWORD type) : m_type(type) {}
    virtual ~GdiObject();
    DWORD Type() const { return m_type; }

    // Stock objects are never deleted.
    bool m_stock = false;

private:
    DWORD m_type;
};

class Brush final : public GdiObject {
public:
    Brush(UINT style, COLORREF color, int sysColor = -1)
        : GdiObject(OBJ_BRUSH), m_style(style), m_color(color), m_sysColor(sysColor)
    {
    }
    // A system colour brush follows the colour table.
    COLORREF Color() const { return m_sysColor >= 0 ? GetSysColor(m_sysColor) : m_color; }

    UINT m_style;
    COLORREF m_color;
    int m_sysColor;
};

// A region object; the GDI adds the calls that make and combine them. The
// window system already accepts them where Win32 takes an HRGN.
class Region final : public GdiObject {
public:
    Region() : GdiObject(OBJ_REGION) {}
    detail::RectRegion m_region;
};

enum class DcKind {
    Client, // GetDC: the client area
    Window, // GetWindowDC: the whole window, non-client area included
    Paint,  // BeginPaint: the client area within the update region
};

class DeviceContext : public GdiObject {
public:
    DeviceContext() : GdiObject(OBJ_DC) {}

    // The device area drawing may touch: m_visible, within m_clip when set.
    detail::RectRegion DrawableRegion() const;

    DcKind m_kind = DcKind::Client;
    HWND m_window = nullptr;
    std::shared_ptr<Surface> m_surface;
    POINT m_origin{0, 0};
    detail::RectRegion m_visible;
    std::optional<detail::RectRegion> m_clip;
};

HGDIOBJ InsertObject(std::shared_ptr<GdiObject> object);
// Null (without touching the last error) when the handle is not open.
std::shared_ptr<GdiObject> LookupObject(HGDIOBJ handle);
template <typename T> std::shared_ptr<T> LookupAs(HGDIOBJ handle)
{
    return std::dynamic_pointer_cast<T>(LookupObject(handle));
}
bool RemoveObject(HGDIOBJ handle);

// A brush handle, or a COLOR_* + 1 value, as the brush it stands for.
std::shared_ptr<Brush> ResolveBrush(HBRUSH brush);

// A DC drawing on `surface` with logical (0,0) at `origin` and limited to
// `visible` (surface coordinates). Released with ReleaseSurfaceDC.
HDC CreateSurfaceDC(DcKind kind, HWND window, std::shared_ptr<Surface> surface, POINT origin,
                    detail::RectRegion visible);
bool ReleaseSurfaceDC(HDC dc);

} // namespace win::gdi
