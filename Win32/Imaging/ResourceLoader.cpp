#include "Win32/Imaging/ResourceLoader.h"

#include <cstring>
#include <new>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "Win32/Imaging/GdiBitmap.h"

CResourceLoader::CResourceLoader() : m_hModule(AfxGetResourceHandle()) {}

CResourceLoader::~CResourceLoader() { Free(); }

const void* CResourceLoader::FindAndLock(LPCSTR name, LPCSTR type, DWORD* size)
{
    if (size)
        *size = 0;
    HRSRC resource = FindResourceA(m_hModule, name, type);
    if (!resource)
        return nullptr;
    const DWORD found = SizeofResource(m_hModule, resource);
    if (found == 0)
        return nullptr;
    Free();
    m_hResData = LoadResource(m_hModule, resource);
    const void* data = m_hResData ? LockResource(m_hResData) : nullptr;
    if (!data) {
        Free();
        return nullptr;
    }
    if (size)
        *size = found;
    return data;
}

const void* CResourceLoader::Load(UINT name, UINT type, DWORD* size)
{
    return FindAndLock(MAKEINTRESOURCEA(name & 0xFFFF), MAKEINTRESOURCEA(type & 0xFFFF), size);
}

const void* CResourceLoader::Load(const CGfxString& name, UINT type, DWORD* size)
{
    return FindAndLock(name.GetString(), MAKEINTRESOURCEA(type & 0xFFFF), size);
}

BOOL CResourceLoader::CopyLoaded(const void* found, DWORD foundSize, void** data, DWORD* size)
{
    if (!found)
        return FALSE;
    BYTE* copy = new (std::nothrow) BYTE[foundSize];
    if (copy)
        std::memcpy(copy, found, foundSize);
    Free();
    if (!copy)
        return FALSE;
    *data = copy;
    *size = foundSize;
    return TRUE;
}

BOOL CResourceLoader::LoadCopy(UINT name, UINT type, void** data, DWORD* size)
{
    if (!data || !size)
        return FALSE;
    *data = nullptr;
    *size = 0;
    DWORD foundSize = 0;
    const void* found = Load(name, type, &foundSize);
    return CopyLoaded(found, foundSize, data, size);
}

BOOL CResourceLoader::LoadCopy(const CGfxString& name, UINT type, void** data, DWORD* size)
{
    if (!data || !size)
        return FALSE;
    *data = nullptr;
    *size = 0;
    DWORD foundSize = 0;
    const void* found = Load(name, type, &foundSize);
    return CopyLoaded(found, foundSize, data, size);
}

BOOL CResourceLoader::LoadString(UINT id, CGfxString& text, int* length)
{
    char buffer[256];
    const int copied = LoadStringA(m_hModule, id, buffer, sizeof buffer);
    if (length)
        *length = copied;
    if (copied == 0)
        return FALSE;
    text.Assign(buffer);
    return TRUE;
}

void CResourceLoader::Free()
{
    if (m_hResData)
        FreeResource(m_hResData);
    m_hResData = nullptr;
}

CGdiBitmap* CResourceLoader::LoadBitmapByName(const CGfxString& name)
{
    HBITMAP bitmap = LoadBitmapA(m_hModule, name.GetString());
    return bitmap ? new CGdiBitmap(bitmap, TRUE) : nullptr;
}

CGdiBitmap* CResourceLoader::LoadBitmapById(UINT id)
{
    HBITMAP bitmap = LoadBitmapA(m_hModule, MAKEINTRESOURCEA(id & 0xFFFF));
    return bitmap ? new CGdiBitmap(bitmap, TRUE) : nullptr;
}
