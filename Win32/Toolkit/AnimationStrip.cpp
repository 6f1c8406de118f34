#include "Win32/Toolkit/AnimationStrip.h"

#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Toolkit/ElementBitmaps.h"

AnimationStrip::AnimationStrip(CDrawContext* context, CGdiBitmap& strip, INT rows, INT columns)
    : m_nColumns(columns), m_nRows(rows)
{
    const CGfxSize size = strip.GetSize();
    if (rows <= 0 || columns <= 0 || size.cx / columns <= 0 || size.cy / rows <= 0)
        return;
    m_pStrip = CopyBitmapArea(context, strip, CGfxPoint(), size);
    if (!m_pStrip)
        return;
    if (strip.IsTransparent())
        m_pStrip->SetTransparentColor(&strip.m_crTransparent, &strip.GetSamplePoint());
    m_sizeFrame = CGfxSize(size.cx / columns, size.cy / rows);
    m_nFrameCount = rows * columns;
    GetFrame(context, 0);
}

AnimationStrip::~AnimationStrip() = default;

CGdiBitmap* AnimationStrip::GetFrame(CDrawContext* context, INT index)
{
    if (m_nFrameCount == 0 || !m_pStrip)
        return nullptr;
    index %= m_nFrameCount;
    if (index < 0)
        index += m_nFrameCount;
    if (index == m_nCachedIndex && m_pFrame)
        return m_pFrame.get();
    const CGfxPoint cell((index % m_nColumns) * m_sizeFrame.cx, (index / m_nColumns) * m_sizeFrame.cy);
    std::unique_ptr<CGdiBitmap> frame = CopyBitmapArea(context, *m_pStrip, cell, m_sizeFrame);
    if (!frame)
        return nullptr;
    if (m_pStrip->IsTransparent())
        frame->SetTransparentColor(&m_pStrip->m_crTransparent, nullptr);
    m_pFrame = std::move(frame);
    m_nCachedIndex = index;
    return m_pFrame.get();
}
