#pragma once
// Accelerator tables: keys that turn into commands before the focus window
// sees them. A table comes from an ACCELERATORS resource or from ACCEL
// records; TranslateAccelerator sends WM_COMMAND (high word 1) to the window
// for a key that matches, unless the command is a greyed item of the
// window's menu.

#include <vector>

#include "Platform/Win/Controls/ControlStyles.h"

constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};
using LPACCEL = ACCEL*;

// Null with ERROR_INVALID_DATA for a damaged table.
HACCEL LoadAcceleratorsA(HINSTANCE instance, LPCSTR name);
HACCEL CreateAcceleratorTableA(LPACCEL entries, int count);
BOOL DestroyAcceleratorTable(HACCEL table);
// With a null buffer, the number of entries.
int CopyAcceleratorTableA(HACCEL table, LPACCEL entries, int count);
// True when the message was a key of the table (and its command was sent).
int TranslateAcceleratorA(HWND window, HACCEL table, LPMSG msg);

// The entries of an RT_ACCELERATOR resource (8-byte records, the last
// flagged 0x80); false when the bytes are not a whole table.
namespace win {
bool ReadAcceleratorTable(const void* data, size_t size, std::vector<ACCEL>* entries);
} // namespace win

inline HACCEL LoadAccelerators(HINSTANCE i, LPCSTR n) { return LoadAcceleratorsA(i, n); }
inline HACCEL CreateAcceleratorTable(LPACCEL e, int c) { return CreateAcceleratorTableA(e, c); }
inline int CopyAcceleratorTable(HACCEL t, LPACCEL e, int c) { return CopyAcceleratorTableA(t, e, c); }
inline int TranslateAccelerator(HWND w, HACCEL t, LPMSG m) { return TranslateAcceleratorA(w, t, m); }
