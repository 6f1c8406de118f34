#include "Win32/Sb/Document/ShellServices.h"

#include <algorithm>
#include <string>

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Win/Registry/Registry.h"
#include "Platform/Win/User/MessageBox.h"
#include "Win32/Utils/FileUtils.h"

namespace {

// The application's profile lives under the program's registry key.
constexpr char kProfileRoot[] = "Software\\QOR\\Kestrelon\\";

CShellServices g_standardServices;
CShellServices* g_services = &g_standardServices;

} // namespace

INT CShellServices::FindMissingMedia(CString* path, INT, INT)
{
    return path != nullptr && !path->IsEmpty() && FileExistsStr(*path) ? 1 : 0;
}

void CShellServices::MakePathRelative(LPCSTR base, CString* path)
{
    if (path != nullptr)
        MakeRelativePath(base, *path);
}

INT CShellServices::GetProfileInt(LPCSTR section, LPCSTR entry, INT missing)
{
    if (section == nullptr || entry == nullptr)
        return missing;
    HKEY key = nullptr;
    const std::string path = std::string(kProfileRoot) + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return missing;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG result = RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? static_cast<INT>(value) : missing;
}

CString CShellServices::GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR missing)
{
    const CString fallback = missing != nullptr ? missing : "";
    if (section == nullptr || entry == nullptr)
        return fallback;
    HKEY key = nullptr;
    const std::string path = std::string(kProfileRoot) + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return fallback;
    DWORD type = 0;
    DWORD size = 0;
    std::string value;
    LONG result = RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size);
    if (result == ERROR_SUCCESS && type == REG_SZ && size > 0) {
        value.resize(size);
        result = RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<LPBYTE>(value.data()), &size);
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return fallback;
    value.resize(std::min<size_t>(size, value.size()));
    while (!value.empty() && value.back() == '\0')
        value.pop_back();
    return CString(value.c_str());
}

int CShellServices::MessageBox(LPCSTR text, LPCSTR, UINT buttons)
{
    return AfxMessageBox(text, buttons);
}

INT CShellServices::GetDebugLevel()
{
    return 0;
}

void CShellServices::WriteDebugLog(LPCSTR) {}

void CShellServices::Beep(UINT type)
{
    ::MessageBeep(type);
}

CShellServices& CShellServices::Get()
{
    return *g_services;
}

CShellServices* CShellServices::Set(CShellServices* services)
{
    CShellServices* previous = g_services;
    g_services = services != nullptr ? services : &g_standardServices;
    return previous;
}
