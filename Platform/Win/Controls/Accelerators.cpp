// Accelerator tables: their resource form, the handle table, and the
// translation of keys into commands.

#include <algorithm>
#include <cstring>

#include "Platform/Win/Controls/Private/ControlsInternal.h"
#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Kernel/Resources.h"

namespace win {

namespace {

constexpr size_t kEntrySize = 8;
constexpr WORD kLastEntry = 0x80;
// A table's entries never change once it is made, so they are read
// without a lock of their own.
using Entries = const std::vector<ACCEL>;

HandleTable<Entries> g_tables{HandleKind::Accelerator};

HACCEL AddTable(std::vector<ACCEL> entries)
{
    HACCEL table = g_tables.Add<HACCEL>(std::make_shared<Entries>(std::move(entries)));
    if (!table)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return table;
}

std::shared_ptr<Entries> FindTable(HACCEL table)
{
    std::shared_ptr<Entries> entries = g_tables.Find(table);
    if (!entries)
        SetLastError(ERROR_INVALID_HANDLE);
    return entries;
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

BOOL DestroyAcceleratorTable(HACCEL table) { return g_tables.Remove(table) ? TRUE : FALSE; }

int CopyAcceleratorTableA(HACCEL table, LPACCEL entries, int count)
{
    const std::shared_ptr<Entries> found = FindTable(table);
    if (!found)
        return 0;
    const int total = static_cast<int>(found->size());
    if (!entries)
        return total;
    const int copied = std::min(total, count);
    if (copied > 0)
        std::memcpy(entries, found->data(), static_cast<size_t>(copied) * sizeof(ACCEL));
    return std::max(copied, 0);
}

int TranslateAcceleratorA(HWND window, HACCEL table, LPMSG msg)
{
    if (!msg || !window)
        return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN && msg->message != WM_CHAR &&
        msg->message != WM_SYSCHAR)
        return 0;
    const std::shared_ptr<Entries> entries = FindTable(table);
    if (!entries)
        return 0;
    const auto found =
        std::find_if(entries->begin(), entries->end(), [&](const ACCEL& entry) { return Matches(entry, *msg); });
    if (found == entries->end())
        return 0;
    const WORD command = found->cmd;
    if (!Greyed(window, command))
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(command, 1), 0);
    return 1;
}
