#include "Win32/Toolkit/SkinBitmaps.h"

#include "Win32/Utils/ResourceSwitch.h"

namespace {

// The bitmap selected into a memory DC compatible with `dc` for the life of
// the object.
class BitmapSource {
public:
    BitmapSource(CDC& dc, CBitmap& bitmap)
    {
        m_ready = bitmap.m_hObject && m_memory.CreateCompatibleDC(&dc);
        if (m_ready)
            m_previous = m_memory.SelectObject(&bitmap);
    }
    ~BitmapSource()
    {
        if (m_ready)
            m_memory.SelectObject(m_previous);
    }
    BitmapSource(const BitmapSource&) = delete;
    BitmapSource& operator=(const BitmapSource&) = delete;

    CDC* Get() { return m_ready ? &m_memory : nullptr; }

private:
    CDC m_memory;
    CBitmap* m_previous = nullptr;
    bool m_ready = false;
};

} // namespace

BOOL LoadSkinBitmap(CBitmap& bitmap, UINT id)
{
    CResourceSwitch bitmaps(kResourceBitmaps);
    return bitmap.LoadBitmap(id);
}

CSize SkinBitmapSize(CBitmap& bitmap)
{
    BITMAP info{};
    if (!bitmap.m_hObject || !bitmap.GetBitmap(&info))
        return CSize(0, 0);
    return CSize(info.bmWidth, info.bmHeight);
}

BOOL CopySkinBitmap(CDC& dc, CBitmap& bitmap, CPoint at, CSize size, CPoint source)
{
    BitmapSource from(dc, bitmap);
    return from.Get() && dc.BitBlt(at.x, at.y, size.cx, size.cy, from.Get(), source.x, source.y, SRCCOPY);
}

BOOL StretchSkinBitmap(CDC& dc, CBitmap& bitmap, const CRect& target)
{
    const CSize size = SkinBitmapSize(bitmap);
    BitmapSource from(dc, bitmap);
    return from.Get() && dc.StretchBlt(target.left, target.top, target.Width(), target.Height(), from.Get(), 0, 0,
                                       size.cx, size.cy, SRCCOPY);
}
