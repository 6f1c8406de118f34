#include "Win32/Utils/GlobalBlob.h"

#include <cstring>

#include "Platform/Mfc/File.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/User/Clipboard.h"

namespace {

constexpr DWORD kLengthBytes = 4;

} // namespace

CGlobalBlob::~CGlobalBlob() { Free(); }

BOOL CGlobalBlob::Init(DWORD nSize, BOOL bZero)
{
    Free();
    m_nSize = nSize;
    if (nSize == 0)
        return TRUE;
    m_hMem = GlobalAlloc(GMEM_MOVEABLE | (bZero ? GMEM_ZEROINIT : 0), AllocationSize(nSize));
    if (!m_hMem) {
        m_nSize = 0;
        return FALSE;
    }
    return TRUE;
}

void CGlobalBlob::UnlockFully()
{
    if (m_hMem) {
        // The lock count lives in the low byte of the flags; the bound keeps
        // a damaged handle from looping.
        for (int i = 0; i < 256 && (GlobalFlags(m_hMem) & GMEM_LOCKCOUNT) != 0; ++i)
            GlobalUnlock(m_hMem);
    }
    m_pLocked = nullptr;
}

void CGlobalBlob::Free()
{
    UnlockFully();
    if (m_hMem)
        GlobalFree(m_hMem);
    m_hMem = nullptr;
    m_nSize = 0;
    m_nUsed = 0;
}

LPVOID CGlobalBlob::Lock()
{
    m_pLocked = m_hMem ? GlobalLock(m_hMem) : nullptr;
    return m_pLocked;
}

void CGlobalBlob::Unlock()
{
    if (m_hMem && !GlobalUnlock(m_hMem))
        m_pLocked = nullptr;
}

BOOL CGlobalBlob::Resize(DWORD nNewSize)
{
    UnlockFully();
    if (nNewSize == 0) {
        if (m_hMem)
            GlobalFree(m_hMem);
        m_hMem = nullptr;
        m_nSize = 0;
        m_nUsed = 0;
        return TRUE;
    }
    if (!m_hMem) {
        m_hMem = GlobalAlloc(GMEM_MOVEABLE, AllocationSize(nNewSize));
        if (!m_hMem) {
            m_nSize = 0;
            m_nUsed = 0;
            return FALSE;
        }
    } else if (nNewSize != m_nSize) {
        HGLOBAL grown = GlobalReAlloc(m_hMem, AllocationSize(nNewSize), GMEM_MOVEABLE);
        if (!grown)
            return FALSE;
        m_hMem = grown;
    }
    m_nSize = nNewSize;
    if (m_nUsed > m_nSize)
        m_nUsed = m_nSize;
    return TRUE;
}

BOOL CGlobalBlob::ReadFile(LPCSTR lpszPath)
{
    if (!lpszPath)
        return FALSE;
    CFile file;
    if (!file.Open(lpszPath, CFile::modeRead | CFile::shareDenyWrite))
        return FALSE;
    try {
        ULONGLONG length = file.GetLength();
        if (length > 0xFFFFFFFFull - 1000 || !Resize(static_cast<DWORD>(length)))
            return FALSE;
        m_nUsed = m_nSize;
        if (m_nSize == 0)
            return TRUE;
        auto* bytes = static_cast<BYTE*>(Lock());
        if (!bytes)
            return FALSE;
        DWORD total = 0;
        while (total < m_nSize) {
            UINT got = file.Read(bytes + total, m_nSize - total);
            if (got == 0)
                break;
            total += got;
        }
        Unlock();
        // A file that shrank while it was read gives what it still held.
        if (total < m_nSize && !Resize(total))
            return FALSE;
        m_nUsed = total;
        return TRUE;
    } catch (CException* e) {
        e->Delete();
        UnlockFully();
        return FALSE;
    }
}

BOOL CGlobalBlob::WriteFile(LPCSTR lpszPath) const
{
    if (!lpszPath || (m_nSize > 0 && !m_hMem))
        return FALSE;
    CFile file;
    if (!file.Open(lpszPath, CFile::modeCreate | CFile::modeWrite))
        return FALSE;
    BOOL written = FALSE;
    try {
        if (m_nSize > 0) {
            const void* bytes = GlobalLock(m_hMem);
            if (bytes) {
                try {
                    file.Write(bytes, m_nSize);
                    written = TRUE;
                } catch (CException* e) {
                    e->Delete();
                }
                GlobalUnlock(m_hMem);
            }
        } else {
            written = TRUE;
        }
        file.Close();
    } catch (CException* e) {
        e->Delete();
        written = FALSE;
    }
    if (!written) {
        file.Abort();
        DeleteFileA(lpszPath);
    }
    return written;
}

BOOL CGlobalBlob::PutOnClipboard(HWND hOwner, UINT format)
{
    if (!OpenClipboard(hOwner))
        return FALSE;
    UnlockFully();
    EmptyClipboard();
    if (m_hMem) {
        HGLOBAL copy = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, SIZE_T(m_nSize) + kLengthBytes);
        auto* target = copy ? static_cast<BYTE*>(GlobalLock(copy)) : nullptr;
        const auto* source = target ? static_cast<const BYTE*>(GlobalLock(m_hMem)) : nullptr;
        if (!source) {
            if (target)
                GlobalUnlock(copy);
            if (copy)
                GlobalFree(copy);
            CloseClipboard();
            return FALSE;
        }
        for (DWORD i = 0; i < kLengthBytes; ++i)
            target[i] = static_cast<BYTE>(m_nSize >> (8 * i));
        std::memcpy(target + kLengthBytes, source, m_nSize);
        GlobalUnlock(m_hMem);
        GlobalUnlock(copy);
        if (!SetClipboardData(format, copy)) {
            GlobalFree(copy);
            CloseClipboard();
            return FALSE;
        }
    }
    Free();
    CloseClipboard();
    return TRUE;
}

BOOL CGlobalBlob::GetFromClipboard(HWND hOwner, UINT format)
{
    if (!OpenClipboard(hOwner))
        return FALSE;
    BOOL taken = FALSE;
    HGLOBAL data = GetClipboardData(format);
    const auto* source = data ? static_cast<const BYTE*>(GlobalLock(data)) : nullptr;
    if (source) {
        SIZE_T available = GlobalSize(data);
        if (available >= kLengthBytes) {
            DWORD length = 0;
            for (DWORD i = 0; i < kLengthBytes; ++i)
                length |= static_cast<DWORD>(source[i]) << (8 * i);
            // Foreign data under this format may claim more than it holds.
            if (length <= available - kLengthBytes && Resize(length)) {
                m_nUsed = length;
                if (length == 0) {
                    taken = TRUE;
                } else if (auto* target = static_cast<BYTE*>(Lock())) {
                    std::memcpy(target, source + kLengthBytes, length);
                    Unlock();
                    taken = TRUE;
                }
            }
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    return taken;
}
