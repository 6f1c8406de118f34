#include "Win32/Imaging/GdiBitmap.h"

#include <algorithm>

#include "Win32/Imaging/DrawContext.h"

namespace {

// Selects a bitmap into a DC while it lives.
class BitmapSelection {
public:
    BitmapSelection(HDC dc, HBITMAP bitmap) : m_dc(dc)
    {
        HGDIOBJ previous = dc && bitmap ? SelectObject(dc, bitmap) : nullptr;
        m_previous = previous == HGDI_ERROR ? nullptr : previous;
    }
    ~BitmapSelection()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    BitmapSelection(const BitmapSelection&) = delete;
    BitmapSelection& operator=(const BitmapSelection&) = delete;
    bool Ok() const { return m_previous != nullptr; }

private:
    HDC m_dc;
    HGDIOBJ m_previous = nullptr;
};

BYTE Mix(BYTE given, BYTE transparent, double share)
{
    return static_cast<BYTE>(static_cast<int>(share * given + (1.0 - share) * transparent));
}

} // namespace

CGdiBitmap::CGdiBitmap(HBITMAP bitmap, BOOL owned, const CColor* transparent, const CGfxPoint* point)
    : m_hBitmap(bitmap), m_bOwned(bitmap && owned)
{
    SetTransparency(transparent, point);
}

CGdiBitmap::CGdiBitmap(HINSTANCE module, UINT id, const CColor* transparent, const CGfxPoint* point)
    : m_hBitmap(LoadBitmapA(module, MAKEINTRESOURCEA(id)))
{
    m_bOwned = m_hBitmap != nullptr;
    SetTransparency(transparent, point);
}

CGdiBitmap::CGdiBitmap(const CGfxString& name, const CColor* transparent, const CGfxPoint* point)
    : m_hBitmap(LoadBitmapA(nullptr, name.GetString()))
{
    m_bOwned = m_hBitmap != nullptr;
    SetTransparency(transparent, point);
}

CGdiBitmap::CGdiBitmap(const CGfxPoint& size, UINT planes, UINT bitsPerPixel, const void* bits,
                       const CColor* transparent, const CGfxPoint* point)
    : m_hBitmap(CreateBitmap(size.x, size.y, planes, bitsPerPixel, bits))
{
    m_bOwned = m_hBitmap != nullptr;
    SetTransparency(transparent, point);
}

CGdiBitmap::CGdiBitmap(CDrawContext* context, const CGfxPoint& size, const CColor* transparent,
                       const CGfxPoint* point)
    : m_hBitmap(context && context->GetHDC() ? CreateCompatibleBitmap(context->GetHDC(), size.x, size.y) : nullptr)
{
    m_bOwned = m_hBitmap != nullptr;
    SetTransparency(transparent, point);
}

CGdiBitmap::~CGdiBitmap()
{
    if (m_hBitmap && m_bOwned)
        DeleteObject(m_hBitmap);
    DestroyMask();
    ClearMask();
}

void CGdiBitmap::SetTransparency(const CColor* transparent, const CGfxPoint* point)
{
    if (transparent) {
        m_crTransparent = CRGBColor(transparent->GetValue());
        m_bTransparent = TRUE;
    }
    if (point)
        m_ptTransparent = *point;
}

void CGdiBitmap::DestroyMask()
{
    delete m_pMask;
    m_pMask = nullptr;
}

BOOL CGdiBitmap::GetBitmap(BITMAP* out) const
{
    if (!m_hBitmap || !out)
        return FALSE;
    return GetObjectA(m_hBitmap, sizeof(BITMAP), out) > 0;
}

CGfxSize CGdiBitmap::GetSize() const
{
    BITMAP bitmap{};
    if (!GetBitmap(&bitmap))
        return CGfxSize();
    return CGfxSize(bitmap.bmWidth, bitmap.bmHeight);
}

CRGBColor CGdiBitmap::GetTransparentColor(BOOL fromContext, CDrawContext* context) const
{
    if (fromContext && context)
        return context->GetPixel(m_ptTransparent);
    return m_crTransparent;
}

CRGBColor CGdiBitmap::SetTransparentColor(const CColor* color, const CGfxPoint* point)
{
    const CRGBColor previous = m_crTransparent;
    if (color) {
        m_crTransparent = CRGBColor(color->GetValue());
        m_bTransparent = TRUE;
        if (point)
            m_ptTransparent = *point;
    } else {
        m_bTransparent = FALSE;
    }
    return previous;
}

BOOL CGdiBitmap::IsOpaqueAt(const CGfxPoint& point) const
{
    const CGfxSize size = m_pMaskBits ? CGfxSize(m_pMaskBits->GetWidth(), m_pMaskBits->GetHeight()) : GetSize();
    if (point.x < 0 || point.y < 0 || point.x >= size.cx || point.y >= size.cy)
        return FALSE;
    if (!m_pMaskBits)
        return TRUE;
    if (!m_rcOpaque.Contains(point))
        return FALSE;
    return m_pMaskBits->GetPixel(point.x, point.y) ? FALSE : TRUE;
}

void CGdiBitmap::ClearMask()
{
    delete m_pMaskBits;
    m_pMaskBits = nullptr;
    m_bTransparent = FALSE;
}

CGdiBitmap* CGdiBitmap::CreateTiled(CDrawContext* context, const CGfxSize& size)
{
    if (!m_hBitmap || !context || size.cx <= 0 || size.cy <= 0)
        return nullptr;
    CDrawContext memory(context);
    if (!memory.GetHDC())
        return nullptr;
    const CGfxSize tile = context->DeviceToLogical(GetSize());
    if (tile.cx <= 0 || tile.cy <= 0)
        return nullptr;
    auto* tiled = new CGdiBitmap(context, CGfxPoint(size.cx, size.cy));
    if (!tiled->IsValid()) {
        delete tiled;
        return nullptr;
    }
    if (m_bTransparent)
        tiled->SetTransparentColor(&m_crTransparent, nullptr);
    BOOL ok;
    {
        BitmapSelection selection(memory.GetHDC(), tiled->GetHandle());
        ok = selection.Ok();
        if (ok && (tile.cx < size.cx || tile.cy < size.cy)) {
            const LONG rows = (size.cy + tile.cy - 1) / tile.cy;
            const LONG columns = (size.cx + tile.cx - 1) / tile.cx;
            for (LONG row = 0; ok && row < rows; ++row) {
                for (LONG column = 0; ok && column < columns; ++column) {
                    const LONG x = column * tile.cx, y = row * tile.cy;
                    const CGfxRect cell(x, y, std::min(x + tile.cx - 1, size.cx - 1), std::min(y + tile.cy - 1, size.cy - 1));
                    ok = memory.DrawBitmap(this, cell, CGfxPoint(), SRCCOPY);
                }
            }
        } else if (ok) {
            ok = memory.DrawBitmap(this, CGfxRect(0, 0, tile.cx - 1, tile.cy - 1), CGfxPoint(), SRCCOPY);
        }
    }
    if (!ok) {
        delete tiled;
        return nullptr;
    }
    return tiled;
}

CGdiBitmap* CGdiBitmap::CreateMask(CDrawContext* context)
{
    if (!m_bTransparent || !m_hBitmap)
        return nullptr;
    const CGfxSize size = GetSize();
    if (size.cx <= 0 || size.cy <= 0)
        return nullptr;
    CDrawContext bitmapDc(context), maskDc(context), inverseDc(context);
    if (!bitmapDc.GetHDC() || !maskDc.GetHDC() || !inverseDc.GetHDC())
        return nullptr;
    auto* mask = new CGdiBitmap(CGfxPoint(size.cx, size.cy), 1, 1, nullptr);
    CGdiBitmap inverse(CGfxPoint(size.cx, size.cy), 1, 1, nullptr);
    BOOL ok = mask->IsValid() && inverse.IsValid();
    if (ok) {
        BitmapSelection selectBitmap(bitmapDc.GetHDC(), m_hBitmap);
        BitmapSelection selectMask(maskDc.GetHDC(), mask->GetHandle());
        BitmapSelection selectInverse(inverseDc.GetHDC(), inverse.GetHandle());
        const CGfxRect area(0, 0, size.cx - 1, size.cy - 1);
        ok = selectBitmap.Ok() && selectMask.Ok() && selectInverse.Ok();
        if (ok) {
            const CRGBColor key = bitmapDc.GetPixel(m_ptTransparent);
            const CRGBColor previous = bitmapDc.SetBkColor(key);
            ok = maskDc.BitBlt(area, &bitmapDc, CGfxPoint(), SRCCOPY);
            bitmapDc.SetBkColor(previous);
            ok = ok && inverseDc.BitBlt(area, &maskDc, CGfxPoint(), NOTSRCCOPY) &&
                 bitmapDc.BitBlt(area, &inverseDc, CGfxPoint(), SRCAND);
        }
    }
    if (!ok) {
        delete mask;
        return nullptr;
    }
    return mask;
}

BOOL CGdiBitmap::PrepareTransparency(CDrawContext* context)
{
    CGdiBitmap* mask = CreateMask(context);
    if (!mask)
        return FALSE;
    DestroyMask();
    m_pMask = mask;
    ClearMask();
    const CGfxSize size = GetSize();
    m_pMaskBits = CPackedRows1::Create(size.cx, size.cy).release();
    CDrawContext maskDc(context);
    BitmapSelection selection(maskDc.GetHDC(), mask->GetHandle());
    if (!m_pMaskBits || !selection.Ok()) {
        delete m_pMaskBits;
        m_pMaskBits = nullptr;
        DestroyMask();
        return FALSE;
    }
    m_bTransparent = TRUE;
    m_rcOpaque = CGfxRect(size.cx - 1, size.cy - 1, 0, 0);
    for (LONG y = 0; y < size.cy; ++y) {
        for (LONG x = 0; x < size.cx; ++x) {
            const bool opaque = (::GetPixel(maskDc.GetHDC(), x, y) & 0x00FFFFFF) == 0;
            m_pMaskBits->SetPixel(x, y, opaque ? 0 : 1);
            if (!opaque)
                continue;
            m_rcOpaque.left = std::min(m_rcOpaque.left, x);
            m_rcOpaque.top = std::min(m_rcOpaque.top, y);
            m_rcOpaque.right = std::max(m_rcOpaque.right, x);
            m_rcOpaque.bottom = std::max(m_rcOpaque.bottom, y);
        }
    }
    return TRUE;
}

BOOL CGdiBitmap::DrawDropShadow(CDrawContext* context, const CColor& color, int percent, int dx, int dy,
                                double sigma)
{
    BITMAP bitmap{};
    if (!GetBitmap(&bitmap))
        return FALSE;
    if (dx == 0 && dy == 0)
        return TRUE;
    if (sigma > 1.0)
        return FALSE;
    const double share = percent * 0.01;
    const CRGBColor given(color.GetValue());
    const CRGBColor shadow(Mix(given.m_r, m_crTransparent.m_r, share), Mix(given.m_g, m_crTransparent.m_g, share),
                           Mix(given.m_b, m_crTransparent.m_b, share));
    CDrawContext memory(context);
    BitmapSelection selection(memory.GetHDC(), m_hBitmap);
    if (!selection.Ok())
        return FALSE;
    for (LONG y = m_rcOpaque.top; y <= m_rcOpaque.bottom; ++y) {
        for (LONG x = m_rcOpaque.left; x <= m_rcOpaque.right; ++x) {
            const CGfxPoint target(x + dx, y + dy);
            if (IsOpaqueAt(CGfxPoint(x, y)) && !IsOpaqueAt(target))
                SetPixelV(memory.GetHDC(), target.x, target.y, shadow.GetValue());
        }
    }
    return TRUE;
}

int BitsPerPixelOfPixelType(int pixelType)
{
    switch (pixelType) {
    case 1:
        return 1;
    case 2:
    case 4:
        return 4;
    case 3:
    case 5:
        return 8;
    case 7:
        return 24;
    case 8:
        return 32;
    default:
        return 0;
    }
}

int PaletteSizeOfPixelType(int pixelType)
{
    switch (pixelType) {
    case 1:
        return 2;
    case 2:
    case 4:
        return 16;
    case 3:
    case 5:
        return 256;
    default:
        return 0;
    }
}

int SamplesOfPixelType(int pixelType)
{
    switch (pixelType) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
        return 1;
    case 7:
        return 3;
    case 8:
        return 4;
    default:
        return 0;
    }
}

int PixelTypeOfBitCount(int bitCount)
{
    switch (bitCount) {
    case 1:
        return 1;
    case 4:
        return 2;
    case 8:
        return 3;
    case 24:
        return 7;
    case 32:
        return 8;
    default:
        return 0;
    }
}
