#pragma once
// CShellServices: what the document model asks of the application shell,
// which sits above it: the search for a media file that has gone missing,
// the relative form of a media path, the application's profile settings,
// and its skinned message box with the error beep. The shell installs its
// own services; until it does (and in tests, which install theirs) the
// standard services ask nobody: a missing file stays missing, profile
// settings come from the program's registry key, messages go through
// AfxMessageBox.

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"

class CShellServices {
public:
    virtual ~CShellServices() = default;

    // Nonzero when the file at `*path` exists, at once or after the user
    // chose a replacement; the path then names it. The user may also give
    // up, which may empty the path. The two options go to the search dialog.
    virtual INT FindMissingMedia(CString* path, INT optionA, INT optionB);
    // Rewrites `*path` relative to the folder `base` when both share their
    // top-level folder.
    virtual void MakePathRelative(LPCSTR base, CString* path);
    // The application's integer setting `entry` of profile section
    // `section`, or `missing`.
    virtual INT GetProfileInt(LPCSTR section, LPCSTR entry, INT missing);
    // The application's text setting `entry` of profile section `section`,
    // or `missing`.
    virtual CString GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR missing);
    // The skinned message box without owner window; `buttons` 0 shows a
    // single OK button. Returns the button chosen.
    virtual int MessageBox(LPCSTR text, LPCSTR caption, UINT buttons);
    // The application's debug level; the document model writes its log
    // lines only above 3. The standard services log nothing.
    virtual INT GetDebugLevel();
    virtual void WriteDebugLog(LPCSTR text);
    virtual void Beep(UINT type);

    // The services installed now.
    static CShellServices& Get();
    // Installs `services` (null restores the standard ones) and returns the
    // ones installed before.
    static CShellServices* Set(CShellServices* services);
};
