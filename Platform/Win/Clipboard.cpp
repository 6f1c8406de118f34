#include "Platform/Win/Clipboard.h"

#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Platform/Win/Crt.h"
#include "Platform/Win/Memory.h"
#include "Platform/Win/System.h"

namespace {

constexpr UINT kFirstRegisteredFormat = 0xC000;
constexpr UINT kLastRegisteredFormat = 0xFFFF;

struct ClipboardState {
    std::mutex lock;
    bool open = false;
    std::thread::id opener;
    HWND openWindow = nullptr;
    HWND owner = nullptr;
    std::vector<std::pair<UINT, HANDLE>> formats; // in the order they were set
    std::vector<std::string> registeredNames;     // index + 0xC000 is the format
};

ClipboardState& State()
{
    // Never destroyed: the handles it holds belong to the global-memory
    // table, which may be gone by the time static destructors run.
    static ClipboardState* state = new ClipboardState;
    return *state;
}

// Handles of these formats are GDI objects, not global memory.
bool IsGdiFormat(UINT format)
{
    return format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE || format == CF_DSPBITMAP ||
           format == CF_DSPENHMETAFILE || (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
}

void Release(UINT format, HANDLE data)
{
    if (data && !IsGdiFormat(format))
        GlobalFree(data);
}

bool OpenedByCaller(const ClipboardState& s) { return s.open && s.opener == std::this_thread::get_id(); }

} // namespace

BOOL OpenClipboard(HWND newOwner)
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.open && s.opener != std::this_thread::get_id()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    s.open = true;
    s.opener = std::this_thread::get_id();
    s.openWindow = newOwner;
    return TRUE;
}

BOOL CloseClipboard()
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!OpenedByCaller(s)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    s.open = false;
    s.opener = std::thread::id();
    s.openWindow = nullptr;
    return TRUE;
}

BOOL EmptyClipboard()
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!OpenedByCaller(s)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    for (auto& [format, data] : s.formats)
        Release(format, data);
    s.formats.clear();
    s.owner = s.openWindow;
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data)
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!OpenedByCaller(s)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    if (format == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (auto& [existing, held] : s.formats) {
        if (existing == format) {
            if (held != data)
                Release(format, held);
            held = data;
            return data;
        }
    }
    s.formats.emplace_back(format, data);
    return data;
}

HANDLE GetClipboardData(UINT format)
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!OpenedByCaller(s)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    for (const auto& [existing, data] : s.formats)
        if (existing == format)
            return data;
    return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    for (const auto& entry : s.formats)
        if (entry.first == format)
            return TRUE;
    return FALSE;
}

int CountClipboardFormats()
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return static_cast<int>(s.formats.size());
}

UINT EnumClipboardFormats(UINT format)
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!OpenedByCaller(s)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return 0;
    }
    SetLastError(NO_ERROR);
    if (format == 0)
        return s.formats.empty() ? 0 : s.formats.front().first;
    for (size_t i = 0; i + 1 < s.formats.size(); ++i)
        if (s.formats[i].first == format)
            return s.formats[i + 1].first;
    return 0;
}

HWND GetClipboardOwner()
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.owner;
}

HWND GetOpenClipboardWindow()
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    return s.open ? s.openWindow : nullptr;
}

UINT RegisterClipboardFormatA(LPCSTR name)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    for (size_t i = 0; i < s.registeredNames.size(); ++i)
        if (_stricmp(s.registeredNames[i].c_str(), name) == 0)
            return kFirstRegisteredFormat + static_cast<UINT>(i);
    if (kFirstRegisteredFormat + s.registeredNames.size() > kLastRegisteredFormat) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    s.registeredNames.emplace_back(name);
    return kFirstRegisteredFormat + static_cast<UINT>(s.registeredNames.size() - 1);
}

int GetClipboardFormatNameA(UINT format, LPSTR buffer, int size)
{
    if (!buffer || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (format < kFirstRegisteredFormat || format - kFirstRegisteredFormat >= s.registeredNames.size()) {
        buffer[0] = '\0';
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string& name = s.registeredNames[format - kFirstRegisteredFormat];
    lstrcpynA(buffer, name.c_str(), size);
    return lstrlenA(buffer);
}
