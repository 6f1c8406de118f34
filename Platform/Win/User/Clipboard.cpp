#include "Platform/Win/User/Clipboard.h"

#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Platform/Win/Kernel/Crt.h"
#include "Platform/Win/Kernel/Memory.h"
#include "Platform/Win/Kernel/System.h"
#include "Platform/Win/User/DesktopHost.h"
#include "Platform/Win/User/User.h"

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
    bool textChanged = false;                      // CF_TEXT changed since the clipboard was opened
    bool shared = false;                           // lastShared holds the desktop's text
    std::string lastShared;
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

std::string WithCrLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

std::string WithLf(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

// The text of a CF_TEXT block, up to its terminator.
std::string TextOfBlock(HANDLE block)
{
    auto* bytes = static_cast<const char*>(GlobalLock(block));
    if (!bytes)
        return {};
    std::string text(bytes, strnlen(bytes, GlobalSize(block)));
    GlobalUnlock(block);
    return text;
}

HGLOBAL BlockOfText(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (block) {
        std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
        GlobalUnlock(block);
    }
    return block;
}

// Tells the owner that lost the clipboard, when it is a window. The
// clipboard's lock is not held: the owner may use the clipboard.
void TellOwnerGone(HWND owner)
{
    if (!owner)
        return;
    DWORD error = GetLastError();
    if (IsWindow(owner))
        SendMessageA(owner, WM_DESTROYCLIPBOARD, 0, 0);
    SetLastError(error);
}

// Takes in text another program put on the desktop's clipboard since we
// last shared ours.
void TakeDesktopText()
{
    win::user::DesktopHost* host = win::user::GetDesktopHost();
    std::string text;
    if (!host || !host->GetClipboardText(&text))
        return;
    HWND previous = nullptr;
    {
        ClipboardState& s = State();
        std::lock_guard<std::mutex> guard(s.lock);
        if ((s.open && !OpenedByCaller(s)) || (s.shared && text == s.lastShared))
            return;
        HGLOBAL block = BlockOfText(WithCrLf(text));
        if (!block)
            return;
        for (auto& [format, data] : s.formats)
            Release(format, data);
        s.formats.assign(1, {CF_TEXT, block});
        previous = s.owner;
        s.owner = nullptr;
        s.shared = true;
        s.lastShared = text;
    }
    TellOwnerGone(previous);
}

// Gives the desktop's clipboard our text (none when CF_TEXT went).
void ShareText()
{
    win::user::DesktopHost* host = win::user::GetDesktopHost();
    if (!host)
        return;
    std::string text;
    ClipboardState& s = State();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        for (const auto& [format, data] : s.formats)
            if (format == CF_TEXT && data)
                text = WithLf(TextOfBlock(data));
    }
    if (!host->SetClipboardText(text))
        return;
    std::lock_guard<std::mutex> guard(s.lock);
    s.shared = true;
    s.lastShared = text;
}

} // namespace

namespace win::detail {

void ClipboardWindowGone(HWND window)
{
    ClipboardState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (s.owner == window)
        s.owner = nullptr;
    if (s.open && s.openWindow == window)
        s.openWindow = nullptr;
}

} // namespace win::detail

BOOL OpenClipboard(HWND newOwner)
{
    bool reopened = false;
    {
        ClipboardState& s = State();
        std::lock_guard<std::mutex> guard(s.lock);
        if (s.open && s.opener != std::this_thread::get_id()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        reopened = s.open;
        s.open = true;
        s.opener = std::this_thread::get_id();
        s.openWindow = newOwner;
        if (!reopened)
            s.textChanged = false;
    }
    if (!reopened)
        TakeDesktopText();
    return TRUE;
}

BOOL CloseClipboard()
{
    ClipboardState& s = State();
    std::unique_lock<std::mutex> guard(s.lock);
    if (!OpenedByCaller(s)) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    s.open = false;
    s.opener = std::thread::id();
    s.openWindow = nullptr;
    if (!std::exchange(s.textChanged, false))
        return TRUE;
    guard.unlock();
    ShareText();
    return TRUE;
}

BOOL EmptyClipboard()
{
    HWND previous = nullptr;
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
        previous = s.owner;
        s.owner = s.openWindow;
        s.textChanged = true;
    }
    TellOwnerGone(previous);
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
    if (format == CF_TEXT)
        s.textChanged = true;
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
    if (format == CF_TEXT)
        TakeDesktopText();
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
