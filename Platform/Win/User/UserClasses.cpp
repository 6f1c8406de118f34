// Window classes, and the atom table they share with registered messages.

#include <algorithm>
#include <cstring>

#include "Platform/Win/User/Private/UserInternal.h"

namespace win::user {

std::shared_ptr<WindowClass> FindClassLocked(LPCSTR name)
{
    if (!name)
        return nullptr;
    auto& classes = State().classes;
    if (IS_INTRESOURCE(name)) {
        ATOM atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(name));
        auto it = std::find_if(classes.begin(), classes.end(), [&](const auto& c) { return c->atom == atom; });
        return it == classes.end() ? nullptr : *it;
    }
    std::string lower = ToLower(name);
    auto it = std::find_if(classes.begin(), classes.end(), [&](const auto& c) { return ToLower(c->name) == lower; });
    return it == classes.end() ? nullptr : *it;
}

namespace {

// Class names longer than this are refused, as on Windows.
constexpr size_t kMaxClassName = 255;
// Generous, but stops absurd extra-byte requests from allocating gigabytes.
constexpr int kMaxExtraBytes = 4096;

ATOM Register(const WNDCLASSEXA& wc)
{
    if (!wc.lpszClassName || IS_INTRESOURCE(wc.lpszClassName) || !*wc.lpszClassName ||
        std::strlen(wc.lpszClassName) > kMaxClassName || wc.cbClsExtra < 0 || wc.cbWndExtra < 0 ||
        wc.cbClsExtra > kMaxExtraBytes || wc.cbWndExtra > kMaxExtraBytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Guard lock(Lock());
    if (FindClassLocked(wc.lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = wc.lpszClassName;
    cls->atom = AddAtomLocked(cls->name);
    if (!cls->atom) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->classExtraBytes = wc.cbClsExtra;
    cls->windowExtraBytes = wc.cbWndExtra;
    cls->instance = wc.hInstance;
    cls->icon = wc.hIcon;
    cls->iconSmall = wc.hIconSm;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    // A named menu is kept as a copy: the caller's string may not last.
    if (wc.lpszMenuName && !IS_INTRESOURCE(wc.lpszMenuName)) {
        cls->menuText = wc.lpszMenuName;
        cls->menuName = cls->menuText.c_str();
    } else {
        cls->menuName = wc.lpszMenuName;
    }
    cls->extra.assign(static_cast<size_t>(wc.cbClsExtra), 0);
    State().classes.push_back(cls);
    return cls->atom;
}

std::shared_ptr<WindowClass> ClassOfWindow(HWND window)
{
    Guard lock(Lock());
    Window* w = FindLocked(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return w->cls;
}

bool ExtraRange(const WindowClass& cls, int index, size_t size)
{
    return index >= 0 && static_cast<size_t>(index) + size <= cls.extra.size();
}

ULONG_PTR GetClassValue(HWND window, int index, size_t size)
{
    auto cls = ClassOfWindow(window);
    if (!cls)
        return 0;
    Guard lock(Lock());
    switch (index) {
    case GCL_MENUNAME:
        return reinterpret_cast<ULONG_PTR>(cls->menuName);
    case GCL_HBRBACKGROUND:
        return reinterpret_cast<ULONG_PTR>(cls->background);
    case GCL_HCURSOR:
        return reinterpret_cast<ULONG_PTR>(cls->cursor);
    case GCL_HICON:
        return reinterpret_cast<ULONG_PTR>(cls->icon);
    case GCL_HICONSM:
        return reinterpret_cast<ULONG_PTR>(cls->iconSmall);
    case GCL_HMODULE:
        return reinterpret_cast<ULONG_PTR>(cls->instance);
    case GCL_CBWNDEXTRA:
        return static_cast<ULONG_PTR>(cls->windowExtraBytes);
    case GCL_CBCLSEXTRA:
        return static_cast<ULONG_PTR>(cls->classExtraBytes);
    case GCL_WNDPROC:
        return reinterpret_cast<ULONG_PTR>(cls->proc);
    case GCL_STYLE:
        return cls->style;
    case GCW_ATOM:
        return cls->atom;
    default:
        break;
    }
    if (!ExtraRange(*cls, index, size)) {
        SetLastError(ERROR_INVALID_INDEX);
        return 0;
    }
    ULONG_PTR value = 0;
    std::memcpy(&value, cls->extra.data() + index, size);
    return value;
}

ULONG_PTR SetClassValue(HWND window, int index, ULONG_PTR value, size_t size)
{
    auto cls = ClassOfWindow(window);
    if (!cls)
        return 0;
    Guard lock(Lock());
    ULONG_PTR old = 0;
    switch (index) {
    case GCL_HBRBACKGROUND:
        old = reinterpret_cast<ULONG_PTR>(cls->background);
        cls->background = reinterpret_cast<HBRUSH>(value);
        return old;
    case GCL_HCURSOR:
        old = reinterpret_cast<ULONG_PTR>(cls->cursor);
        cls->cursor = reinterpret_cast<HCURSOR>(value);
        return old;
    case GCL_HICON:
        old = reinterpret_cast<ULONG_PTR>(cls->icon);
        cls->icon = reinterpret_cast<HICON>(value);
        return old;
    case GCL_HICONSM:
        old = reinterpret_cast<ULONG_PTR>(cls->iconSmall);
        cls->iconSmall = reinterpret_cast<HICON>(value);
        return old;
    case GCL_HMODULE:
        old = reinterpret_cast<ULONG_PTR>(cls->instance);
        cls->instance = reinterpret_cast<HINSTANCE>(value);
        return old;
    case GCL_WNDPROC:
        // A procedure pointer does not survive the 32-bit call.
        if (size < sizeof(ULONG_PTR))
            break;
        old = reinterpret_cast<ULONG_PTR>(cls->proc);
        cls->proc = reinterpret_cast<WNDPROC>(value);
        return old;
    case GCL_STYLE:
        old = cls->style;
        cls->style = static_cast<UINT>(value);
        return old;
    default:
        if (!ExtraRange(*cls, index, size))
            break;
        std::memcpy(&old, cls->extra.data() + index, size);
        std::memcpy(cls->extra.data() + index, &value, size);
        return old;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

} // namespace

std::string ToLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

ATOM AddAtomLocked(const std::string& name)
{
    UserState& state = State();
    std::string key = ToLower(name);
    auto it = state.atoms.find(key);
    if (it != state.atoms.end())
        return it->second;
    if (state.nextAtom == 0) // the 0xC000..0xFFFF range is used up
        return 0;
    ATOM atom = state.nextAtom++;
    state.atoms.emplace(key, atom);
    return atom;
}

} // namespace win::user

using namespace win;
using namespace win::user;

ATOM RegisterClassA(const WNDCLASSA* wc)
{
    if (!wc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXA ex{sizeof(WNDCLASSEXA), wc->style, wc->lpfnWndProc, wc->cbClsExtra, wc->cbWndExtra, wc->hInstance,
                   wc->hIcon, wc->hCursor, wc->hbrBackground, wc->lpszMenuName, wc->lpszClassName, nullptr};
    return Register(ex);
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc)
{
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(*wc);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE)
{
    Guard lock(Lock());
    auto cls = FindClassLocked(className);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    std::erase(State().classes, cls);
    return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE, LPCSTR className, LPWNDCLASSEXA wc)
{
    if (!wc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Guard lock(Lock());
    auto cls = FindClassLocked(className);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    wc->style = cls->style;
    wc->lpfnWndProc = cls->proc;
    wc->cbClsExtra = cls->classExtraBytes;
    wc->cbWndExtra = cls->windowExtraBytes;
    wc->hInstance = cls->instance;
    wc->hIcon = cls->icon;
    wc->hCursor = cls->cursor;
    wc->hbrBackground = cls->background;
    wc->lpszMenuName = cls->menuName;
    wc->lpszClassName = className;
    wc->hIconSm = cls->iconSmall;
    return cls->atom;
}

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, LPWNDCLASSA wc)
{
    if (!wc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WNDCLASSEXA ex{};
    ex.cbSize = sizeof ex;
    BOOL found = GetClassInfoExA(instance, className, &ex);
    if (found)
        *wc = WNDCLASSA{ex.style,  ex.lpfnWndProc,   ex.cbClsExtra,    ex.cbWndExtra,   ex.hInstance,
                        ex.hIcon,  ex.hCursor,       ex.hbrBackground, ex.lpszMenuName, ex.lpszClassName};
    return found;
}

int GetClassNameA(HWND window, LPSTR name, int size)
{
    auto cls = ClassOfWindow(window);
    if (!cls || !name || size <= 0) {
        if (cls)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    size_t count = std::min(cls->name.size(), static_cast<size_t>(size - 1));
    std::memcpy(name, cls->name.data(), count);
    name[count] = '\0';
    return static_cast<int>(count);
}

DWORD GetClassLongA(HWND window, int index) { return static_cast<DWORD>(GetClassValue(window, index, sizeof(DWORD))); }

DWORD SetClassLongA(HWND window, int index, LONG value)
{
    return static_cast<DWORD>(
        SetClassValue(window, index, static_cast<ULONG_PTR>(static_cast<DWORD>(value)), sizeof(DWORD)));
}

ULONG_PTR GetClassLongPtrA(HWND window, int index) { return GetClassValue(window, index, sizeof(ULONG_PTR)); }

ULONG_PTR SetClassLongPtrA(HWND window, int index, LONG_PTR value)
{
    return SetClassValue(window, index, static_cast<ULONG_PTR>(value), sizeof(ULONG_PTR));
}

WORD GetClassWord(HWND window, int index) { return static_cast<WORD>(GetClassValue(window, index, sizeof(WORD))); }

UINT RegisterWindowMessageA(LPCSTR name)
{
    if (!name || IS_INTRESOURCE(name) || !*name || std::strlen(name) > kMaxClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Guard lock(Lock());
    return AddAtomLocked(name);
}
