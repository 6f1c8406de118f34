#pragma once
// An open registry key under which the filter store keeps its records,
// closed with the object, with the value reads and writes the store uses.

#include <string>
#include <vector>

#include "Platform/Win/Base/Guid.h"
#include "Platform/Win/Registry/Registry.h"

namespace dshow {

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens the key, creating it (and its parents) when missing.
    LONG Create(HKEY parent, const std::string& path);
    LONG Open(HKEY parent, const std::string& path);
    HKEY Get() const { return m_key; }

    LONG SetText(const char* name, const std::string& text);
    LONG SetNumber(const char* name, DWORD value);
    // False when the value is missing or of another type.
    bool Text(const char* name, std::string& text) const;
    bool Number(const char* name, DWORD& value) const;
    bool Guid(const char* name, GUID& guid) const;
    std::vector<std::string> SubKeys() const;

private:
    HKEY m_key = nullptr;
};

// The result of a registry call as an HRESULT.
inline HRESULT FromRegistry(LONG error) { return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error); }

} // namespace dshow
