#include "Platform/DShow/Runtime/RegistryKey.h"
#include "Platform/Win/Base/GuidText.h"

namespace dshow {

RegistryKey::~RegistryKey()
{
    if (m_key)
        RegCloseKey(m_key);
}

LONG RegistryKey::Create(HKEY parent, const std::string& path)
{
    return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &m_key,
                           nullptr);
}

LONG RegistryKey::Open(HKEY parent, const std::string& path)
{
    return RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &m_key);
}

LONG RegistryKey::SetText(const char* name, const std::string& text)
{
    return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG RegistryKey::SetNumber(const char* name, DWORD value)
{
    return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

bool RegistryKey::Text(const char* name, std::string& text) const
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return false;
    text.assign(size, '\0');
    if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
        return false;
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return true;
}

bool RegistryKey::Number(const char* name, DWORD& value) const
{
    DWORD type = 0, size = sizeof value;
    return RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD;
}

bool RegistryKey::Guid(const char* name, GUID& guid) const
{
    std::string text;
    return Text(name, text) && win::GuidFromString(text, &guid);
}

std::vector<std::string> RegistryKey::SubKeys() const
{
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(m_key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    return names;
}

} // namespace dshow
