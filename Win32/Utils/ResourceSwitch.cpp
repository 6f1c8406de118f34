#include "Win32/Utils/ResourceSwitch.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Platform/Win/Kernel/Modules.h"

namespace {

// Process-wide and touched only from the UI thread, as the program's
// resource handling is.
HINSTANCE g_modules[3] = {nullptr, nullptr, nullptr};
DWORD g_useCount = 0;

constexpr int kMaxDescription = 256;

bool IsKind(int kind) { return kind >= kResourceLanguage && kind <= kResourceBitmaps; }

void FreeModules()
{
    for (int kind : {kResourceBitmaps, kResourceLanguage, kResourceUntranslated}) {
        if (g_modules[kind])
            FreeLibrary(g_modules[kind]);
        g_modules[kind] = nullptr;
    }
}

// The description string, or 0 when it is missing or empty.
int LoadDescription(UINT nID, char (&text)[kMaxDescription])
{
    CResourceSwitch language(kResourceLanguage);
    return LoadStringA(AfxGetResourceHandle(), nID, text, kMaxDescription);
}

LONG NumberUpTo(const char* text, size_t length)
{
    std::string number(text, length);
    return static_cast<LONG>(std::strtol(number.c_str(), nullptr, 0));
}

} // namespace

CResourceSwitch::CResourceSwitch() : m_hPrevious(nullptr), m_hModule(nullptr) { ++g_useCount; }

CResourceSwitch::CResourceSwitch(int kind) : m_hPrevious(AfxGetResourceHandle()), m_hModule(nullptr)
{
    ++g_useCount;
    Switch(kind);
}

CResourceSwitch::CResourceSwitch(HINSTANCE hModule) : m_hPrevious(AfxGetResourceHandle()), m_hModule(hModule)
{
    ++g_useCount;
    AfxSetResourceHandle(hModule);
}

CResourceSwitch::~CResourceSwitch()
{
    if (g_useCount > 0 && --g_useCount == 0) {
        FreeModules();
        return;
    }
    if (m_hPrevious)
        AfxSetResourceHandle(m_hPrevious);
}

void CResourceSwitch::Switch(int kind)
{
    if (!IsKind(kind))
        return;
    m_hModule = g_modules[kind];
    AfxSetResourceHandle(m_hModule);
}

void CResourceSwitch::Reapply() { AfxSetResourceHandle(m_hModule); }

HINSTANCE CResourceSwitch::GetModule(int kind) { return IsKind(kind) ? g_modules[kind] : nullptr; }

CResourceModules::CResourceModules()
{
    // Loading again replaces the handles; the old references are given back
    // so each module stays loaded once.
    struct {
        int kind;
        const char* name;
    } const order[] = {{kResourceLanguage, "reslang.dll"},
                       {kResourceBitmaps, "ResBmp.DLL"},
                       {kResourceUntranslated, "ResNoTrans.dll"}};
    for (const auto& module : order) {
        HINSTANCE loaded = LoadLibraryA(module.name);
        if (g_modules[module.kind])
            FreeLibrary(g_modules[module.kind]);
        g_modules[module.kind] = loaded;
    }
    m_bLoaded = g_modules[0] && g_modules[1] && g_modules[2];
}

HINSTANCE GetCurrentResourceHandle() { return AfxGetResourceHandle(); }

HINSTANCE SwapResourceHandle(HINSTANCE hModule)
{
    HINSTANCE previous = AfxGetResourceHandle();
    AfxSetResourceHandle(hModule);
    return previous;
}

HINSTANCE GetLanguageResourceModule() { return g_modules[kResourceLanguage]; }
HINSTANCE GetUntranslatedResourceModule() { return g_modules[kResourceUntranslated]; }
HINSTANCE GetBitmapResourceModule() { return g_modules[kResourceBitmaps]; }

int LoadFontDescription(UINT nID, LOGFONTA& font)
{
    char text[kMaxDescription];
    int length = LoadDescription(nID, text);
    if (length <= 0)
        return 0;
    const char* comma = std::strchr(text, ',');
    size_t faceLength = comma ? static_cast<size_t>(comma - text) : std::strlen(text);
    lstrcpynA(font.lfFaceName, text, static_cast<int>(faceLength < LF_FACESIZE - 1 ? faceLength + 1 : LF_FACESIZE));
    if (!comma)
        return length;
    const char* height = comma + 1;
    size_t heightLength = std::strcspn(height, ",\n");
    if (height[heightLength] == '\0' || heightLength == 0)
        return length;
    font.lfHeight = -NumberUpTo(height, heightLength);
    const char* charset = height + heightLength + 1;
    if (*charset)
        font.lfCharSet = static_cast<BYTE>(NumberUpTo(charset, std::strcspn(charset, ",\n")));
    return length;
}

int LoadFontDescriptionW(UINT nID, LOGFONTW& font)
{
    char text[kMaxDescription];
    int length = LoadDescription(nID, text);
    font.lfCharSet = 0;
    font.lfHeight = -21;
    if (length <= 0)
        return 0;
    std::string face = text;
    if (const char* comma = std::strchr(text, ',')) {
        face.assign(text, std::min<size_t>(static_cast<size_t>(comma - text), LF_FACESIZE - 1));
        LONG height = static_cast<LONG>(std::strtol(comma + 1, nullptr, 0));
        font.lfHeight = height != 0 ? height : -21;
        const char* second = std::strchr(comma + 1, ',');
        if (second && second > comma + 1)
            font.lfCharSet = static_cast<BYTE>(std::strtol(second + 1, nullptr, 0));
    }
    WCHAR wide[kMaxDescription] = {};
    int count = MultiByteToWideChar(static_cast<UINT>(_getmbcp()), 0, face.c_str(), -1, wide, kMaxDescription);
    if (count <= 0)
        wide[0] = 0;
    wide[LF_FACESIZE - 1] = 0;
    std::memcpy(font.lfFaceName, wide, sizeof font.lfFaceName);
    return length;
}
