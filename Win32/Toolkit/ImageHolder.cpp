#include "Win32/Toolkit/ImageHolder.h"

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Utils/ResourceSwitch.h"

CImageHolder::CImageHolder() = default;

CImageHolder::~CImageHolder()
{
    Release();
}

BOOL CImageHolder::LoadFromResource(UINT id)
{
    Release();
    m_pBitmap = new CGdiBitmap(GetBitmapResourceModule(), id);
    return m_pBitmap != nullptr;
}

BOOL CImageHolder::LoadByName(LPCSTR name)
{
    Release();
    m_pBitmap = new CGdiBitmap(CGfxString(name ? name : ""));
    return m_pBitmap != nullptr;
}

void CImageHolder::GetSize(int& width, int& height) const
{
    width = 0;
    height = 0;
    if (!m_pBitmap)
        return;
    const CGfxSize size = m_pBitmap->GetSize();
    width = size.cx;
    height = size.cy;
}

void CImageHolder::Draw(CDC* dc, const CRect& destination, int sourceX, int sourceY)
{
    if (!m_pBitmap || !dc)
        return;
    CDrawContext context(dc->GetSafeHdc());
    context.DrawBitmap(m_pBitmap, CGfxRect(destination.left, destination.top, destination.right - 1, destination.bottom - 1),
                       CGfxPoint(sourceX, sourceY), SRCCOPY);
}

void CImageHolder::Release()
{
    delete m_pBitmap;
    m_pBitmap = nullptr;
}
