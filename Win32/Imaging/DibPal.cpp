#include "Win32/Imaging/DibPal.h"

#include <cstdlib>
#include <vector>

#include "Platform/Mfc/AfxDefs.h"
#include "Win32/Imaging/Dib.h"

CDIBPAL::~CDIBPAL()
{
    if (m_hObject)
        DeleteObject(m_hObject);
}

BOOL CDIBPAL::Create(CDIB* pDIB)
{
    const int colours = pDIB ? pDIB->GetNumColors() : 0;
    if (colours <= 0) {
        TRACE("No color table\n");
        return FALSE;
    }
    // A header block holds at most 256 colours, whatever biClrUsed says.
    const int count = colours > 256 ? 256 : colours;
    std::vector<BYTE> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(count));
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    const RGBQUAD* table = pDIB->GetColorTable();
    for (int i = 0; i < count; ++i)
        palette->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    HPALETTE made = CreatePalette(palette);
    if (!made)
        return FALSE;
    if (m_hObject)
        DeleteObject(m_hObject);
    m_hObject = made;
    return TRUE;
}

int CDIBPAL::GetNumColors() const
{
    WORD count = 0;
    if (!m_hObject || GetObjectA(m_hObject, sizeof count, &count) <= 0) {
        TRACE("Failed to get the number of colors in the palette\n");
        return 0;
    }
    return count;
}

HPALETTE CDIBPAL::Draw(HDC hdc, const RECT* rect, BOOL background)
{
    if (!hdc || !rect || !m_hObject)
        return nullptr;
    HPALETTE previous = SelectPalette(hdc, m_hObject, background);
    RealizePalette(hdc);
    int left = GetNumColors();
    for (int i = 0; i < 16 && left > 0; ++i) {
        for (int j = 0; j < 16 && left > 0; ++j, --left) {
            const int right = (j + 1) * rect->right / 16 + 1;
            const int bottom = (i + 1) * rect->bottom / 16 + 1;
            const int x = j * rect->right / 16;
            const int y = i * rect->bottom / 16;
            HBRUSH brush = CreateSolidBrush(PALETTEINDEX(static_cast<WORD>(16 * i + j)));
            HGDIOBJ old = brush ? SelectObject(hdc, brush) : nullptr;
            ::Rectangle(hdc, x, y, right, bottom);
            if (old)
                SelectObject(hdc, old);
            if (brush)
                DeleteObject(brush);
        }
    }
    if (previous)
        SelectPalette(hdc, previous, FALSE);
    return previous;
}
