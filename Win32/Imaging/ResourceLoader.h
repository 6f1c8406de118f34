#pragma once
// Fetches resources from one resource module: raw data (valid until the
// next load or Free), heap copies the caller owns, strings and bitmaps.
// Missing, empty or unlockable resources give null or 0 with size 0.

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Kernel/Resources.h"
#include "Win32/Utils/GfxTypes.h"

class CGdiBitmap;

class CResourceLoader {
public:
    // The current resource module (AfxGetResourceHandle).
    CResourceLoader();
    explicit CResourceLoader(HINSTANCE module) : m_hModule(module) {}
    // Frees a loaded resource. Virtual, so that deleting through a base
    // pointer is safe.
    virtual ~CResourceLoader();
    CResourceLoader(const CResourceLoader&) = delete;
    CResourceLoader& operator=(const CResourceLoader&) = delete;

    // The resource's data (numeric names use their low 16 bits) and size.
    virtual const void* Load(UINT name, UINT type, DWORD* size);
    virtual const void* Load(const CGfxString& name, UINT type, DWORD* size);
    // A heap copy (free with delete[] of BYTE) the caller owns; 1, or 0
    // with *data null and *size 0.
    virtual BOOL LoadCopy(UINT name, UINT type, void** data, DWORD* size);
    virtual BOOL LoadCopy(const CGfxString& name, UINT type, void** data, DWORD* size);
    // Up to 255 bytes of string `id`; *length gets LoadString's result.
    virtual BOOL LoadString(UINT id, CGfxString& text, int* length);
    virtual void Free();

    // A new owned bitmap without transparency, or null when it is missing.
    CGdiBitmap* LoadBitmapByName(const CGfxString& name);
    CGdiBitmap* LoadBitmapById(UINT id);

    const void* FindAndLock(LPCSTR name, LPCSTR type, DWORD* size);

    HINSTANCE m_hModule = nullptr;
    HGLOBAL m_hResData = nullptr;

private:
    BOOL CopyLoaded(const void* found, DWORD foundSize, void** data, DWORD* size);
};
