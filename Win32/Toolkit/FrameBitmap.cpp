#include "Win32/Toolkit/FrameBitmap.h"

#include <cstring>

#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/Kernel/Resources.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

// The style bits: 1 draws the whole frame, 2 the top row, 4 the left column.
bool DrawsTopRow(int style) { return (style & 3) != 0; }
bool DrawsLeftColumn(int style) { return (style & 5) != 0; }
bool DrawsWholeFrame(int style) { return (style & 1) != 0; }

// The off-screen bitmap of the fills, kept between calls and grown to the
// largest fill asked for: a fresh screen-sized bitmap every repaint would
// cost more than the fill itself. One per thread, for the DC colour depth
// it was made for.
class FillScratch {
public:
    CBitmap* Acquire(CDC* dc, int width, int height)
    {
        const int bits = GetDeviceCaps(dc->GetSafeHdc(), BITSPIXEL);
        if (m_bitmap.GetSafeHandle() && bits == m_bits && width <= m_width && height <= m_height)
            return &m_bitmap;
        width = width > m_width || bits != m_bits ? width : m_width;
        height = height > m_height || bits != m_bits ? height : m_height;
        m_bitmap.DeleteObject();
        m_width = m_height = m_bits = 0;
        if (!m_bitmap.CreateCompatibleBitmap(dc, width, height))
            return nullptr;
        m_width = width;
        m_height = height;
        m_bits = bits;
        return &m_bitmap;
    }

private:
    CBitmap m_bitmap;
    int m_width = 0;
    int m_height = 0;
    int m_bits = 0;
};

thread_local FillScratch t_fillScratch;

} // namespace

CFrameBitmap::CFrameBitmap() = default;

CFrameBitmap::~CFrameBitmap()
{
    m_image.Release();
}

void CFrameBitmap::SetStyle(int style) { m_nStyle = style; }
void CFrameBitmap::SetBitmapId(int id) { m_nBitmapId = id; }
int CFrameBitmap::GetBitmapId() { return m_nBitmapId; }
int CFrameBitmap::GetStyle() { return m_nStyle; }
void CFrameBitmap::SetCellDivisor(int divisor) { m_nCellDivisor = divisor; }
int CFrameBitmap::GetCellDivisor() { return m_nCellDivisor; }
void CFrameBitmap::SetTransparent(int value) { m_nTransparent = value; }
int CFrameBitmap::GetTransparent() { return m_nTransparent; }
int CFrameBitmap::GetCornersOnly() { return m_nCornersOnly; }
void CFrameBitmap::SetCornersOnly(int flag) { m_nCornersOnly = flag; }
void CFrameBitmap::Reserved() {}

void* CFrameBitmap::LoadFrameStyle(int id)
{
    CResourceSwitch bitmaps(kResourceBitmaps);
    HMODULE module = bitmaps.GetHandle();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id & 0xFFFF), "FRAME_STYLE");
    if (!found)
        return nullptr;
    const DWORD size = SizeofResource(module, found);
    const void* data = LockResource(LoadResource(module, found));
    if (size == 0 || !data)
        return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, size);
    void* copy = block ? GlobalLock(block) : nullptr;
    if (!copy) {
        if (block)
            GlobalFree(block);
        return nullptr;
    }
    std::memcpy(copy, data, size);
    return copy;
}

void CFrameBitmap::SetFileName(const char* name) { m_strImageName = name ? name : ""; }
const char* CFrameBitmap::GetFileName() { return m_strImageName; }

BOOL CFrameBitmap::Load()
{
    BOOL made = FALSE;
    if (m_nBitmapId != 0)
        made = m_image.LoadFromResource(static_cast<UINT>(m_nBitmapId));
    else if (!m_strImageName.IsEmpty())
        made = m_image.LoadByName(m_strImageName);
    int width = 0;
    int height = 0;
    if (made)
        m_image.GetSize(width, height);
    if (width <= 0 || height <= 0) {
        m_image.Release();
        return FALSE;
    }
    m_imageWidth = width;
    m_imageHeight = height;
    const int cell = m_nCellDivisor > 0 ? width / m_nCellDivisor : 0;
    if (m_nLeftWidth <= 0)
        m_nLeftWidth = cell;
    if (m_nRightWidth <= 0)
        m_nRightWidth = cell;
    if (m_nTopHeight <= 0)
        m_nTopHeight = height;
    if (m_nBottomHeight <= 0)
        m_nBottomHeight = height;
    return TRUE;
}

BOOL CFrameBitmap::EnsureLoaded()
{
    return IsLoaded() || Load();
}

CRect* CFrameBitmap::InflateByFrame(CRect* rect)
{
    if (rect && EnsureLoaded()) {
        rect->left -= m_nLeftWidth;
        rect->top -= m_nTopHeight;
        rect->right += m_nRightWidth;
        rect->bottom += m_nBottomHeight;
    }
    return rect;
}

CRect* CFrameBitmap::DeflateByFrame(CRect* rect)
{
    if (rect && EnsureLoaded()) {
        rect->left += m_nLeftWidth;
        rect->top += m_nTopHeight;
        rect->right -= m_nRightWidth;
        rect->bottom -= m_nBottomHeight;
    }
    return rect;
}

CRect* CFrameBitmap::OffsetByFrame(CRect* rect)
{
    if (rect && EnsureLoaded())
        rect->OffsetRect(m_nLeftWidth, m_nTopHeight);
    return rect;
}

void CFrameBitmap::DrawPiece(CDC* dc, const CRect& destination, int sourceX, int sourceY)
{
    // Pieces of no area never reach the DC as negative sizes.
    if (destination.right <= destination.left || destination.bottom <= destination.top)
        return;
    m_image.Draw(dc, destination, sourceX, sourceY);
}

void CFrameBitmap::DrawFrame(CDC* dc, const CRect* rect)
{
    if (!dc || !rect || m_nStyle == 0 || !EnsureLoaded())
        return;
    const int W = m_imageWidth;
    const int H = m_imageHeight;
    const int I = m_nCellDivisor > 0 ? W / m_nCellDivisor : 0;
    if (W == 0 || H == 0 || I == 0)
        return;
    const int x0 = rect->left;
    const int y0 = rect->top;
    const int x1 = rect->right;
    const int y1 = rect->bottom;
    const int w = x1 - x0;
    const int h = y1 - y0;

    int L = m_nLeftWidth;
    int R = m_nRightWidth;
    int T = m_nTopHeight;
    int B = m_nBottomHeight;
    int rx = w % I;
    int ry = h % H;
    if (h < 2 * T) {
        T = (h + 1) / 2;
        ry = 0;
    }
    if (h < 2 * B) {
        B = h / 2;
        ry = 0;
    }
    if (w < 2 * L) {
        L = (w + 1) / 2;
        rx = 0;
    }
    if (w < 2 * R) {
        R = w / 2;
        rx = 0;
    }
    const int nx = w / I;
    const int ny = h / H;
    // Remainders go one step beyond the last whole copy.
    const int qx = nx < 2 ? 1 : nx - 1;
    const int qy = ny < 2 ? 1 : ny - 1;

    int cell = 0;
    auto piece = [&](int left, int top, int right, int bottom, int sx, int sy) {
        DrawPiece(dc, CRect(left, top, right, bottom), cell * I + sx, sy);
    };

    // Top-left corner.
    piece(x0, y0, x0 + L, y0 + T, 0, 0);
    if (L < I)
        piece(x0 + L, y0, x0 + I, y0 + T, L, 0);
    if (DrawsTopRow(m_nStyle)) {
        ++cell;
        for (int k = 1; k <= nx - 2; ++k)
            piece(x0 + k * I, y0, x0 + k * I + I, y0 + T, 0, 0);
        if (rx > 0)
            piece(x0 + qx * I, y0, x0 + qx * I + rx, y0 + T, 0, 0);
    }
    if (DrawsLeftColumn(m_nStyle)) {
        ++cell;
        for (int k = 1; k <= ny - 2; ++k)
            piece(x0, y0 + k * H, x0 + L, y0 + k * H + H, 0, 0);
        if (ry > 0)
            piece(x0, y0 + qy * H, x0 + L, y0 + qy * H + ry, 0, 0);
    }
    if (DrawsTopRow(m_nStyle)) {
        ++cell;
        piece(x1 - R, y0, x1, y0 + T, I - R, 0);
        if (R < I)
            piece(x1 - I, y0, x1 - R, y0 + T, 0, 0);
    }
    if (DrawsLeftColumn(m_nStyle)) {
        ++cell;
        piece(x0, y1 - B, x0 + L, y1, 0, H - B);
        if (L < I)
            piece(x0 + L, y1 - B, x0 + I, y1, L, H - B);
    }
    if (DrawsWholeFrame(m_nStyle)) {
        ++cell; // right edge
        for (int k = 1; k <= ny - 2; ++k)
            piece(x1 - R, y0 + k * H, x1, y0 + k * H + H, I - R, 0);
        if (ry > 0)
            piece(x1 - R, y0 + qy * H, x1, y0 + qy * H + ry, I - R, 0);
        ++cell; // bottom edge
        for (int k = 1; k <= nx - 2; ++k)
            piece(x0 + k * I, y1 - B, x0 + k * I + I, y1, 0, H - B);
        if (rx > 0)
            piece(x0 + qx * I, y1 - B, x0 + qx * I + rx, y1, 0, H - B);
        ++cell; // bottom-right corner
        piece(x1 - R, y1 - B, x1, y1, I - R, H - B);
        if (R < I)
            piece(x1 - I, y1 - B, x1 - R, y1, 0, H - B);
    }
}

void CFrameBitmap::DrawScaledFrame(CDC* dc, const CRect* rect, float factor)
{
    if (!dc || !rect || m_nStyle == 0 || !EnsureLoaded())
        return;
    const int I = m_nCellDivisor > 0 ? m_imageWidth / m_nCellDivisor : 0;
    const int r = static_cast<int>(static_cast<float>(I) * factor);
    const int s = static_cast<int>(static_cast<float>(m_imageHeight) * factor);
    // A piece of no pixels would step by zero below: nothing is drawn then.
    if (r <= 0 || s <= 0)
        return;
    const int x0 = rect->left;
    const int y0 = rect->top;
    const int x1 = rect->right;
    const int y1 = rect->bottom;
    const int w = x1 - x0;
    const int h = y1 - y0;

    int cell = 0;
    auto piece = [&](int x, int y) { DrawPiece(dc, CRect(x, y, x + r, y + s), cell * I, 0); };
    auto row = [&](int y) {
        for (int t = 0; t <= (w - 2 * r) / r; ++t)
            piece(x0 + r + t * r, y);
    };
    auto column = [&](int x) {
        for (int t = 0; t <= (h - 2 * s) / s; ++t)
            piece(x, y0 + s + t * s);
    };

    piece(x0, y0);
    if (m_nCornersOnly) {
        cell += 2;
    } else {
        ++cell;
        row(y0);
        ++cell;
        column(x0);
    }
    ++cell;
    piece(x1 - r, y0);
    ++cell;
    piece(x0, y1 - s);
    if (m_nCornersOnly) {
        cell += 2;
    } else {
        ++cell;
        column(x1 - r);
        ++cell;
        row(y1 - s);
    }
    ++cell;
    piece(x1 - r, y1 - s);
}

void CFrameBitmap::DrawFill(CDC* dc, const CRect* rect)
{
    if (!dc || !rect)
        return;
    const int x0 = rect->left;
    const int y0 = rect->top;
    const int x1 = rect->right;
    const int y1 = rect->bottom;
    const int w = x1 - x0;
    const int h = y1 - y0;
    if (w <= 0 || h <= 0)
        return;

    // Composed off-screen with the same coordinates, then copied once, so a
    // large background repaints without flicker.
    CDC memory;
    CDC* target = dc;
    CBitmap* previous = nullptr;
    if (CBitmap* buffer = t_fillScratch.Acquire(dc, w, h); buffer && memory.CreateCompatibleDC(dc)) {
        previous = memory.SelectObject(buffer);
        memory.SetWindowOrg(x0, y0);
        target = &memory;
    }
    auto releaseBuffer = [&] {
        if (target == &memory)
            memory.SelectObject(previous);
    };
    if (!EnsureLoaded()) {
        releaseBuffer();
        return;
    }
    const int W = m_imageWidth;
    const int H = m_imageHeight;
    for (int i = 0; i <= h / H; ++i) {
        const int top = y0 + i * H;
        const int bottom = top + H < y1 ? top + H : y1;
        if (bottom <= top)
            break;
        int x = x0;
        for (int j = 0; j < w / W; ++j, x += W)
            DrawPiece(target, CRect(x, top, x + W, bottom), 0, 0);
        if (w % W > 0)
            DrawPiece(target, CRect(x, top, x1, bottom), 0, 0);
    }
    if (target == &memory)
        dc->BitBlt(x0, y0, w, h, &memory, x0, y0, SRCCOPY);
    releaseBuffer();
}
