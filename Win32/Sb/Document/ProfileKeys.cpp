#include "Win32/Sb/Document/ProfileKeys.h"

#include "Win32/Utils/Profile.h"
#include "Win32/Utils/ResourceSwitch.h"

CProfileKeys::CProfileKeys(std::initializer_list<UINT> ids, LPCSTR suffix)
{
    CResourceSwitch untranslated(kResourceUntranslated);
    for (UINT id : ids) {
        CString name;
        if (name.LoadString(id) && !name.IsEmpty())
            m_names.emplace_back(id, suffix != nullptr ? name + suffix : name);
    }
}

LPCSTR CProfileKeys::Name(UINT id) const
{
    for (const auto& [known, name] : m_names) {
        if (known == id)
            return name;
    }
    return nullptr;
}

BOOL CProfileKeys::Has(const CProfile* profile, LPCSTR section, UINT id) const
{
    LPCSTR name = Name(id);
    return profile != nullptr && name != nullptr && profile->HasEntry(section, name);
}

LPCSTR CProfileKeys::GetValue(const CProfile* profile, LPCSTR section, UINT id) const
{
    LPCSTR name = Name(id);
    return profile != nullptr && name != nullptr ? profile->GetValue(section, name) : nullptr;
}

int CProfileKeys::GetInt(const CProfile* profile, LPCSTR section, UINT id, int missing) const
{
    return Has(profile, section, id) ? profile->GetInt(section, Name(id)) : missing;
}

BOOL CProfileKeys::GetBool(const CProfile* profile, LPCSTR section, UINT id, BOOL missing) const
{
    return Has(profile, section, id) ? profile->GetBool(section, Name(id)) : missing;
}

DWORD CProfileKeys::GetUnsigned(const CProfile* profile, LPCSTR section, UINT id, DWORD missing) const
{
    return Has(profile, section, id) ? profile->GetUnsigned(section, Name(id)) : missing;
}

double CProfileKeys::GetDouble(const CProfile* profile, LPCSTR section, UINT id, double missing) const
{
    return Has(profile, section, id) ? profile->GetDouble(section, Name(id)) : missing;
}

CMediaTime CProfileKeys::GetMediaTime(const CProfile* profile, LPCSTR section, UINT id) const
{
    return Has(profile, section, id) ? profile->GetMediaTime(section, Name(id)) : CMediaTime();
}

void CProfileKeys::SetValue(CProfile* profile, LPCSTR section, UINT id, LPCSTR value) const
{
    Write(profile, id, [&](LPCSTR name) { profile->SetValue(section, name, value); });
}

void CProfileKeys::SetInt(CProfile* profile, LPCSTR section, UINT id, int value) const
{
    Write(profile, id, [&](LPCSTR name) { profile->SetInt(section, name, value); });
}

void CProfileKeys::SetUnsigned(CProfile* profile, LPCSTR section, UINT id, DWORD value) const
{
    Write(profile, id, [&](LPCSTR name) { profile->SetUnsigned(section, name, value); });
}

void CProfileKeys::SetFloat(CProfile* profile, LPCSTR section, UINT id, float value) const
{
    Write(profile, id, [&](LPCSTR name) { profile->SetFloat(section, name, value); });
}

void CProfileKeys::SetMediaTime(CProfile* profile, LPCSTR section, UINT id, const CMediaTime& time) const
{
    Write(profile, id, [&](LPCSTR name) { profile->SetMediaTime(section, name, time); });
}
