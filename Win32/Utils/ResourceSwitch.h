#pragma once
// The three resource modules of the program and the scoped switch of the
// current resource module between them, and the readers of font
// descriptions kept as strings in the language module.
//
// A font description is "face,height[,charset]", where a newline may stand
// for the second comma and numbers are read with strtol in base 0.

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Gdi/LogFont.h"

// Module kinds of CResourceSwitch; any other kind selects nothing.
constexpr int kResourceLanguage = 0;
constexpr int kResourceUntranslated = 1;
constexpr int kResourceBitmaps = 2;

// Makes one module the current resource module for the life of the object
// and puts back the one that was current when it was made. Switches nest.
// The process counts living switches: when the last one goes, the three
// modules are freed instead (the application object holds a default switch
// for its whole life, so that happens at exit).
class CResourceSwitch {
public:
    // Counts, switches nothing and restores nothing.
    CResourceSwitch();
    explicit CResourceSwitch(int kind);
    explicit CResourceSwitch(HINSTANCE hModule);
    ~CResourceSwitch();
    CResourceSwitch(const CResourceSwitch&) = delete;
    CResourceSwitch& operator=(const CResourceSwitch&) = delete;

    // Makes the module of `kind` current; the destructor still restores the
    // module that was current before the object was made.
    void Switch(int kind);
    // Makes this switch's module current again.
    void Reapply();
    HINSTANCE GetHandle() const { return m_hModule; }
    // The module of `kind`, or null.
    static HINSTANCE GetModule(int kind);

private:
    HINSTANCE m_hPrevious;
    HINSTANCE m_hModule;
};

// Loads the three modules when made; the start-up ends with "Unable to load
// resource DLLs." when IsLoaded() is 0.
class CResourceModules {
public:
    CResourceModules();
    BOOL IsLoaded() const { return m_bLoaded; }

private:
    BOOL m_bLoaded;
};

HINSTANCE GetCurrentResourceHandle();
// Makes `hModule` current and returns the module that was current.
HINSTANCE SwapResourceHandle(HINSTANCE hModule);
HINSTANCE GetLanguageResourceModule();
HINSTANCE GetUntranslatedResourceModule();
HINSTANCE GetBitmapResourceModule();

// Read the language module's string `nID` into the font record and return
// the string's length, or 0 when it is missing or empty (the record is then
// untouched). The narrow reader takes the height negated and changes only
// the face, the height and the character set it finds.
int LoadFontDescription(UINT nID, LOGFONTA& font);
// The wide reader first sets height -21 and character set 0, keeps the
// height's sign and uses -21 for a height of 0.
int LoadFontDescriptionW(UINT nID, LOGFONTW& font);
