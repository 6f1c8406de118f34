// Accelerator tables: their resource form, the handle table, and the
// translation of keys into commands.

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/Kernel/Resources.h"

namespace win {

namespace {

constexpr size_t kEntrySize = 8;
constexpr WORD kLastEntry = 0x80;
constexpr UINT_PTR kFirstTable = 0x00D00000;

std::mutex g_lock;
std::unordered_map<UINT_PTR, std::vector<ACCEL>> g_tables;
UINT_PTR g_nextTable = kFirstTable;

HACCEL AddTable(std::vector<ACCEL> entries)
{
    std::lock_guard<std::mutex> guard(g_lock);
    const UINT_PTR handle = g_nextTable;
    g_nextTable += 4;
    g_tables.emplace(handle, std::move(entries));
    return reinterpret_cast<HACCEL>(handle);
}

bool Held(int key) { return GetKeyState(key) < 0; }

bool Matches(const ACCEL& entry, const MSG& msg)
{
    const bool keyMessage = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool charMessage = msg.message == WM_CHAR || msg.message == WM_SYSCHAR;
    if (entry.fVirt & FVIRTKEY) {
        if (!keyMessage || entry.key != static_cast<WORD>(msg.wParam))
            return false;
        return Held(VK_SHIFT) == ((entry.fVirt & FSHIFT) != 0) && Held(VK_CONTROL) == ((entry.fVirt & FCONTROL) != 0) &&
               Held(VK_MENU) == ((entry.fVirt & FALT) != 0);
    }
    if (!charMessage || entry.key != static_cast<WORD>(msg.wParam))
        return false;
    return (msg.message == WM_SYSCHAR) == ((entry.fVirt & FALT) != 0);
}

// A command that is a greyed item of the window's menu is not sent.
bool Greyed(HWND window, WORD command)
{
    HMENU menu = GetMenu(GetAncestor(window, GA_ROOT));
    if (!menu)
        return false;
    const UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED));
}

} // namespace

bool ReadAcceleratorTable(const void* data, size_t size, std::vector<ACCEL>* entries)
{
    if (!data || !entries)
        return false;
    const auto* bytes = static_cast<const BYTE*>(data);
    std::vector<ACCEL> read;
    for (size_t at = 0; at + kEntrySize <= size; at += kEntrySize) {
        const WORD flags = static_cast<WORD>(bytes[at] | (bytes[at + 1] << 8));
        ACCEL entry{};
        entry.fVirt = static_cast<BYTE>(flags & 0x7F);
        entry.key = static_cast<WORD>(bytes[at + 2] | (bytes[at + 3] << 8));
        entry.cmd = static_cast<WORD>(bytes[at + 4] | (bytes[at + 5] << 8));
        read.push_back(entry);
        if (flags & kLastEntry) {
            *entries = std::move(read);
            return true;
        }
    }
    return false;
}

} // namespace win

using namespace win;

HACCEL LoadAcceleratorsA(HINSTANCE instance, LPCSTR name)
{
    ResourceBytes bytes = FindAcceleratorTable(instance, name);
    if (!bytes)
        return nullptr;
    std::vector<ACCEL> entries;
    if (!ReadAcceleratorTable(bytes.data, bytes.size, &entries)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return AddTable(std::move(entries));
}

HACCEL CreateAcceleratorTableA(LPACCEL entries, int count)
{
    if (!entries || count <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return AddTable(std::vector<ACCEL>(entries, entries + count));
}

BOOL DestroyAcceleratorTable(HACCEL table)
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_tables.erase(reinterpret_cast<UINT_PTR>(table)) ? TRUE : FALSE;
}

int CopyAcceleratorTableA(HACCEL table, LPACCEL entries, int count)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_tables.find(reinterpret_cast<UINT_PTR>(table));
    if (it == g_tables.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const int total = static_cast<int>(it->second.size());
    if (!entries)
        return total;
    const int copied = std::min(total, count);
    if (copied > 0)
        std::memcpy(entries, it->second.data(), static_cast<size_t>(copied) * sizeof(ACCEL));
    return std::max(copied, 0);
}

int TranslateAcceleratorA(HWND window, HACCEL table, LPMSG msg)
{
    if (!msg || !window)
        return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN && msg->message != WM_CHAR &&
        msg->message != WM_SYSCHAR)
        return 0;
    WORD command = 0;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = g_tables.find(reinterpret_cast<UINT_PTR>(table));
        if (it == g_tables.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        const ACCEL* found = nullptr;
        for (const ACCEL& entry : it->second)
            if (Matches(entry, *msg)) {
                found = &entry;
                break;
            }
        if (!found)
            return 0;
        command = found->cmd;
    }
    if (!Greyed(window, command))
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(command, 1), 0);
    return 1;
}
