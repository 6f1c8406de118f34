#include "Win32/Toolkit/ElementBitmaps.h"

#include <algorithm>

#include "Win32/Imaging/DrawContext.h"
#include "Platform/Win/User/User.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Imaging/ResourceLoader.h"

namespace {

// The given context, or one over the screen's DC while the object lives:
// bitmaps compatible with a fresh memory DC would be monochrome.
class ContextOrScreen {
public:
    explicit ContextOrScreen(CDrawContext* context) : m_pContext(context)
    {
        if (!context && (m_screenDc = ::GetDC(nullptr))) {
            m_screen = std::make_unique<CDrawContext>(m_screenDc);
            m_pContext = m_screen.get();
        }
    }
    ~ContextOrScreen()
    {
        m_screen.reset();
        if (m_screenDc)
            ::ReleaseDC(nullptr, m_screenDc);
    }
    ContextOrScreen(const ContextOrScreen&) = delete;
    ContextOrScreen& operator=(const ContextOrScreen&) = delete;

    CDrawContext* Get() const { return m_pContext; }

private:
    CDrawContext* m_pContext;
    HDC m_screenDc = nullptr;
    std::unique_ptr<CDrawContext> m_screen;
};

// A new bitmap of `size` selected into a memory context for drawing; the
// selection ends with the object.
class BitmapCanvas {
public:
    BitmapCanvas(CDrawContext* context, const CGfxSize& size) : m_compatible(context), m_memory(m_compatible.Get())
    {
        if (size.cx <= 0 || size.cy <= 0 || !m_memory.GetHDC())
            return;
        m_bitmap = std::make_unique<CGdiBitmap>(m_compatible.Get(), CGfxPoint(size.cx, size.cy));
        if (m_bitmap->IsValid())
            m_previous = ::SelectObject(m_memory.GetHDC(), m_bitmap->GetHandle());
    }
    ~BitmapCanvas()
    {
        if (m_previous)
            ::SelectObject(m_memory.GetHDC(), m_previous);
    }
    BitmapCanvas(const BitmapCanvas&) = delete;
    BitmapCanvas& operator=(const BitmapCanvas&) = delete;

    bool Ok() const { return m_previous != nullptr; }
    CDrawContext& Memory() { return m_memory; }
    CDrawContext* Compatible() const { return m_compatible.Get(); }
    std::unique_ptr<CGdiBitmap> Take(bool drawn)
    {
        if (m_previous)
            ::SelectObject(m_memory.GetHDC(), m_previous);
        m_previous = nullptr;
        return drawn ? std::move(m_bitmap) : nullptr;
    }

private:
    ContextOrScreen m_compatible;
    CDrawContext m_memory;
    std::unique_ptr<CGdiBitmap> m_bitmap;
    HGDIOBJ m_previous = nullptr;
};

} // namespace

std::unique_ptr<CGdiBitmap> CopyBitmapArea(CDrawContext* context, CGdiBitmap& source, const CGfxPoint& from,
                                           const CGfxSize& size)
{
    BitmapCanvas canvas(context, size);
    if (!canvas.Ok())
        return nullptr;
    const CGfxSize whole = source.GetSize();
    const CGfxRect area(0, 0, std::min(size.cx, whole.cx - from.x) - 1, std::min(size.cy, whole.cy - from.y) - 1);
    const bool drawn = area.IsEmpty() || canvas.Memory().DrawBitmap(&source, area, from, SRCCOPY);
    return canvas.Take(drawn);
}

std::unique_ptr<CGdiBitmap> StretchBitmap(CDrawContext* context, CGdiBitmap& source, const CGfxSize& size)
{
    BitmapCanvas canvas(context, size);
    const CGfxSize whole = source.GetSize();
    if (!canvas.Ok() || whole.cx <= 0 || whole.cy <= 0)
        return nullptr;
    CDrawContext sourceContext(canvas.Compatible());
    HGDIOBJ previous = sourceContext.GetHDC() ? ::SelectObject(sourceContext.GetHDC(), source.GetHandle()) : nullptr;
    if (!previous)
        return nullptr;
    const bool drawn = canvas.Memory().StretchBlt(CGfxRect(0, 0, size.cx - 1, size.cy - 1), &sourceContext,
                                                  CGfxRect(0, 0, whole.cx - 1, whole.cy - 1), SRCCOPY) != FALSE;
    ::SelectObject(sourceContext.GetHDC(), previous);
    return canvas.Take(drawn);
}

std::unique_ptr<CGdiBitmap> LoadResourceBitmap(CResourceLoader& loader, UINT id)
{
    return std::unique_ptr<CGdiBitmap>(loader.LoadBitmapById(id));
}

std::unique_ptr<CGdiBitmap> LoadResourceBitmap(CResourceLoader& loader, const CGfxString& name)
{
    return std::unique_ptr<CGdiBitmap>(loader.LoadBitmapByName(name));
}
