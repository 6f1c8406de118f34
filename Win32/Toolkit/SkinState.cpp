#include "Win32/Toolkit/SkinState.h"

#include <cstdlib>
#include <cstring>

#include "Win32/Utils/ResourceSwitch.h"

namespace {

// The language module's font strings: face, height, and the height taken
// when the height string is missing.
struct UIFontStrings {
    UINT face;
    UINT height;
    LONG missingHeight;
};
constexpr UINT kUIFontCharsetString = 4383;
constexpr UIFontStrings kUIFont = {4382, 4385, -8};
constexpr UIFontStrings kUIFontLarge = {4381, 4387, 14};
constexpr int kLargeFontsPixelsPerInch = 120;

// Up to `size` - 1 characters of string `id` of the current resource module;
// false when it is missing or empty.
bool LoadResourceString(UINT id, char* buffer, int size)
{
    buffer[0] = '\0';
    return LoadStringA(GetCurrentResourceHandle(), id, buffer, size) > 0;
}

void MakeUIFont(CFont& font, const UIFontStrings& strings, BYTE charset)
{
    LOGFONTA logFont{};
    logFont.lfCharSet = charset;
    logFont.lfWeight = FW_NORMAL;
    char text[64];
    // The face field keeps its terminator: at most 31 characters are copied.
    if (LoadResourceString(strings.face, text, sizeof(logFont.lfFaceName)))
        std::memcpy(logFont.lfFaceName, text, std::strlen(text) + 1);
    logFont.lfHeight = LoadResourceString(strings.height, text, sizeof(text))
                           ? static_cast<LONG>(std::strtol(text, nullptr, 0))
                           : strings.missingHeight;
    font.DeleteObject();
    font.CreateFontIndirect(&logFont);
}

CSkinState* g_installedSkin = nullptr;

} // namespace

CSkinState::CSkinState()
{
    m_brEditBack.CreateSolidBrush(m_crEditBack);
    m_brDialogBack.CreateSolidBrush(m_crDialogBack);
    m_brDialogBackAlt.CreateSolidBrush(m_crDialogBackAlt);
    m_brButtonBack.CreateSolidBrush(m_crButtonBack);
    SetFrameBitmapIds();
    if (HDC desktop = GetWindowDC(GetDesktopWindow())) {
        m_bLargeFonts = GetDeviceCaps(desktop, LOGPIXELSX) == kLargeFontsPixelsPerInch;
        ReleaseDC(GetDesktopWindow(), desktop);
    }
    CreateUIFonts();
}

CSkinState::~CSkinState() = default;

CFont* CSkinState::GetUIFont()
{
    return m_bLargeFonts ? &m_fontUILarge : &m_fontUI;
}

void CSkinState::CreateUIFonts()
{
    CResourceSwitch language(kResourceLanguage);
    char text[16];
    const BYTE charset = LoadResourceString(kUIFontCharsetString, text, sizeof(text))
                             ? static_cast<BYTE>(std::strtol(text, nullptr, 0))
                             : 0;
    MakeUIFont(m_fontUI, kUIFont, charset);
    MakeUIFont(m_fontUILarge, kUIFontLarge, charset);
}

HBRUSH CSkinState::GetCtlColorBrush(CDC* dc, CWnd* wnd, UINT type, BOOL alternate)
{
    const COLORREF back = alternate ? m_crDialogBackAlt : m_crDialogBack;
    CBrush& brush = alternate ? m_brDialogBackAlt : m_brDialogBack;
    auto answer = [dc](COLORREF text, COLORREF background, bool transparent, HBRUSH result) {
        if (dc) {
            dc->SetTextColor(text);
            dc->SetBkColor(background);
            if (transparent)
                dc->SetBkMode(TRANSPARENT);
        }
        return result;
    };
    switch (type) {
    case CTLCOLOR_EDIT:
    case CTLCOLOR_LISTBOX:
        return answer(m_crEditText, m_crEditBack, false, static_cast<HBRUSH>(m_brEditBack.GetSafeHandle()));
    case CTLCOLOR_DLG:
        return answer(m_crDialogText, back, true, static_cast<HBRUSH>(brush.GetSafeHandle()));
    case CTLCOLOR_STATIC: {
        // Pictures, rectangles and frames get the dialog's brush; text
        // statics draw over whatever lies under them.
        const LONG kind = wnd && wnd->GetSafeHwnd() ? (GetWindowLongA(wnd->GetSafeHwnd(), GWL_STYLE) & 0xF) : 0;
        const bool picture = (kind >= 3 && kind <= 9) || kind == 11;
        return answer(m_crDialogText, back, true,
                      picture ? static_cast<HBRUSH>(brush.GetSafeHandle()) : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    }
    default:
        return answer(m_crButtonText, m_crButtonBack, true, static_cast<HBRUSH>(m_brButtonBack.GetSafeHandle()));
    }
}

CFrameBitmap* CSkinState::GetFrameBitmap(int bitmapId)
{
    for (int i = 0; i < 14; ++i) {
        if (kSkinFrameBitmapIds[i] == bitmapId)
            return &m_frameBitmaps[i];
    }
    return nullptr;
}

void CSkinState::SetFrameBitmapIds()
{
    for (int i = 0; i < 14; ++i)
        m_frameBitmaps[i].SetBitmapId(kSkinFrameBitmapIds[i]);
}

CSkinState& GetSkinState()
{
    if (g_installedSkin)
        return *g_installedSkin;
    // Made once and kept to the end of the process: windows may still paint
    // while static objects are destroyed.
    static CSkinState* defaultSkin = new CSkinState;
    return *defaultSkin;
}

CSkinState* SetSkinState(CSkinState* state)
{
    CSkinState* previous = g_installedSkin;
    g_installedSkin = state;
    return previous;
}

CFrameBitmap* GetSkinFrameBitmap(int bitmapId)
{
    return GetSkinState().GetFrameBitmap(bitmapId);
}
