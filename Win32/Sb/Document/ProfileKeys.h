#pragma once
// CProfileKeys: the entries of one profile section that the document model
// names by string resources of the untranslated module. The names are loaded
// once, when the object is made, with that module current for the time;
// a suffix (a track's "_2", say) is added to every name. An entry whose name
// does not load is neither written nor read: writes skip it and reads give
// the caller's value for a missing entry.

#include <initializer_list>
#include <utility>
#include <vector>

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/MediaTime.h"

class CProfile;

class CProfileKeys {
public:
    CProfileKeys(std::initializer_list<UINT> ids, LPCSTR suffix = nullptr);

    // The entry name, or null when its string did not load.
    LPCSTR Name(UINT id) const;

    BOOL Has(const CProfile* profile, LPCSTR section, UINT id) const;
    LPCSTR GetValue(const CProfile* profile, LPCSTR section, UINT id) const;
    int GetInt(const CProfile* profile, LPCSTR section, UINT id, int missing = 0) const;
    BOOL GetBool(const CProfile* profile, LPCSTR section, UINT id, BOOL missing = FALSE) const;
    DWORD GetUnsigned(const CProfile* profile, LPCSTR section, UINT id, DWORD missing = 0) const;
    double GetDouble(const CProfile* profile, LPCSTR section, UINT id, double missing = 0.0) const;
    CMediaTime GetMediaTime(const CProfile* profile, LPCSTR section, UINT id) const;

    void SetValue(CProfile* profile, LPCSTR section, UINT id, LPCSTR value) const;
    void SetInt(CProfile* profile, LPCSTR section, UINT id, int value) const;
    void SetUnsigned(CProfile* profile, LPCSTR section, UINT id, DWORD value) const;
    void SetFloat(CProfile* profile, LPCSTR section, UINT id, float value) const;
    void SetMediaTime(CProfile* profile, LPCSTR section, UINT id, const CMediaTime& time) const;

private:
    // Calls `write` with the entry's name when it loaded and there is a
    // profile to write to.
    template <typename Writer>
    void Write(const CProfile* profile, UINT id, Writer write) const
    {
        if (LPCSTR name = Name(id); profile != nullptr && name != nullptr)
            write(name);
    }

    std::vector<std::pair<UINT, CString>> m_names;
};
