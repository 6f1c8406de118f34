#include "Win32/Imaging/GdiObjects.h"

CGdiFont::CGdiFont(const LOGFONTA* logFont)
{
    m_hFont = logFont ? CreateFontIndirectA(logFont) : nullptr;
    m_bOwned = m_hFont != nullptr;
}

bool CGdiFont::GetLogFont(LOGFONTA* out) const
{
    if (!m_hFont || !out)
        return false;
    return GetObjectA(m_hFont, sizeof(LOGFONTA), out) > 0;
}

void CGdiFont::Delete()
{
    if (m_hFont && m_bOwned)
        DeleteObject(m_hFont);
    m_hFont = nullptr;
    m_bOwned = FALSE;
}

CGdiPen::CGdiPen(const CColor& color, int width, int style)
{
    m_hPen = CreatePen(style, width, color.GetValue());
    if (!m_hPen)
        return;
    m_bOwned = TRUE;
    m_color = CRGBColor(color.GetValue());
    m_nWidth = width;
    m_nStyle = style;
}

CGdiPen::CGdiPen(HPEN pen, BOOL owned)
{
    LOGPEN described{};
    if (!pen || GetObjectA(pen, sizeof described, &described) <= 0)
        return;
    m_hPen = pen;
    m_bOwned = owned;
    m_color = CRGBColor(described.lopnColor);
    m_nWidth = described.lopnWidth.x;
    m_nStyle = static_cast<int>(described.lopnStyle);
}

CGdiPen::~CGdiPen()
{
    if (m_hPen && m_bOwned)
        DeleteObject(m_hPen);
}

CGdiBrush::CGdiBrush(const CColor& color)
{
    m_hBrush = CreateSolidBrush(color.GetValue());
    if (!m_hBrush)
        return;
    m_bOwned = TRUE;
    m_nStyle = BS_SOLID;
    m_color = CRGBColor(color.GetValue());
}

CGdiBrush::~CGdiBrush()
{
    if (m_hBrush && m_bOwned)
        DeleteObject(m_hBrush);
}

BOOL CGdiBrush::Attach(HBRUSH brush, BOOL owned)
{
    // The structure has its 64-bit size here (16 bytes, 12 on 32-bit Windows).
    LOGBRUSH described{};
    if (!brush || GetObjectA(brush, sizeof described, &described) <= 0) {
        m_hBrush = nullptr;
        m_bOwned = FALSE;
        return FALSE;
    }
    m_hBrush = brush;
    m_bOwned = owned;
    m_nStyle = described.lbStyle;
    m_color = CRGBColor(described.lbColor);
    m_nHatch = described.lbHatch;
    return TRUE;
}

CGdiPen* GfxNullPen()
{
    static CGdiPen* pen = new CGdiPen(static_cast<HPEN>(GetStockObject(NULL_PEN)), FALSE);
    return pen;
}

CGdiBrush* GfxNullBrush()
{
    static CGdiBrush* brush = new CGdiBrush(static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)), FALSE);
    return brush;
}
