// The three template readers of the window layer: dialog templates
// (DLGTEMPLATE and DLGTEMPLATEEX), menu templates (MENU and MENUEX) and
// accelerator tables. The first byte picks the reader; the rest is the
// template, copied to a block of its own size so that a read past its end is
// reported. A dialog template that reads is also made into a dialog, a menu
// into a menu and a table into an accelerator table; what fails says why.

#include <vector>

#include "Platform/Win/Controls/Controls.h"
#include "Platform/Win/Win32.h"
#include "fuzz/FuzzSupport.h"

// Dialogs load fonts, and fontconfig keeps its configuration for the whole
// run: the leak check at exit is not to count it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

INT_PTR CALLBACK SilentDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The messages the dialog left behind, so that none pile up over a run.
void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

void Dialog(const std::vector<BYTE>& bytes)
{
    win::DialogDescription description;
    const bool read = win::ReadDialogTemplate(bytes.data(), bytes.size(), &description);
    if (read)
        FUZZ_CHECK(description.items.size() <= bytes.size() / 18, "every item takes its header's bytes");
    SetLastError(0);
    HWND dialog = CreateDialogFromBytes(nullptr, bytes.data(), bytes.size(), nullptr, SilentDialog, 0);
    if (dialog) {
        FUZZ_CHECK(read, "a dialog was made from a template the reader refuses");
        DestroyWindow(dialog);
    } else {
        FUZZ_CHECK(GetLastError() != 0, "a dialog that cannot be made says why");
    }
    Drain();
}

void Menu(const std::vector<BYTE>& bytes)
{
    std::vector<win::MenuTemplateItem> items;
    const bool read = win::ReadMenuTemplate(bytes.data(), bytes.size(), &items);
    SetLastError(0);
    HMENU menu = LoadMenuFromBytes(bytes.data(), bytes.size());
    if (menu) {
        FUZZ_CHECK(read, "a menu was made from a template the reader refuses");
        DestroyMenu(menu);
    } else {
        FUZZ_CHECK(!read || GetLastError() != 0, "a menu that cannot be made says why");
    }
}

void Accelerators(const std::vector<BYTE>& bytes)
{
    std::vector<ACCEL> entries;
    if (!win::ReadAcceleratorTable(bytes.data(), bytes.size(), &entries))
        return;
    FUZZ_CHECK(!entries.empty() && entries.size() * 8 <= bytes.size(), "every entry takes 8 bytes");
    HACCEL table = CreateAcceleratorTableA(entries.data(), static_cast<int>(entries.size()));
    FUZZ_CHECK(table != nullptr, "a table that reads makes an accelerator table");
    FUZZ_CHECK(CopyAcceleratorTableA(table, nullptr, 0) == static_cast<int>(entries.size()),
               "the table keeps every entry");
    DestroyAcceleratorTable(table);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // Templates lie on 4-byte boundaries in modules and in memory: the copy
    // is aligned as they are.
    const std::vector<BYTE> bytes(data + 1, data + size);
    switch (data[0] % 3) {
    case 0:
        Dialog(bytes);
        break;
    case 1:
        Menu(bytes);
        break;
    default:
        Accelerators(bytes);
        break;
    }
    return 0;
}
