// The one handle table, and every kind of handle of the Win32 rooms
// checked through its own calls (tests/support/HandleKindChecks.h).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Win32.h"
#include "tests/support/HandleKindChecks.h"

namespace {

using testing_support::As;
using testing_support::HandleAnswer;
using testing_support::HandleKindCase;
using testing_support::ValueOf;
using win::HandleKind;
using win::HandleRange;
using win::HandleTable;

// A call's result with the last error it left (cleared before it).
template <typename Call> HandleAnswer Answer(Call call)
{
    SetLastError(NO_ERROR);
    const long long result = call();
    return {result, GetLastError()};
}

TEST(HandleTable, EveryKindHandsOutValuesOfItsOwnRangeAStepApart)
{
    for (const HandleRange& range : win::kHandleRanges) {
        if (!range.step)
            continue;
        SCOPED_TRACE(range.name);
        HandleTable<int> table(range.kind);
        const UINT_PTR first = table.Add(std::make_shared<int>(1));
        const UINT_PTR second = table.Add(std::make_shared<int>(2));
        EXPECT_EQ(first, range.first);
        EXPECT_EQ(second, range.first + range.step);
        EXPECT_EQ(*table.Find(second), 2);
        for (const HandleRange& other : win::kHandleRanges) {
            if (other.kind != range.kind) {
                EXPECT_EQ(table.Find(other.first), nullptr) << "the first value of " << other.name;
            }
        }
        EXPECT_EQ(table.Find(first + 1), nullptr) << "between two values";
        EXPECT_EQ(*table.Remove(first), 1);
        EXPECT_EQ(table.Find(first), nullptr);
        EXPECT_EQ(table.Remove(first), nullptr);
    }
}

TEST(HandleTable, AValueComesBackOnlyAfterTheWholeRangeWasUsed)
{
    HandleTable<int> table(HandleRange{HandleKind::KernelObject, "four values", 0x1000, 0x1010, 4});
    std::vector<UINT_PTR> values;
    for (int i = 0; i < 4; ++i)
        values.push_back(table.Add(std::make_shared<int>(i)));
    EXPECT_EQ(values, (std::vector<UINT_PTR>{0x1000, 0x1004, 0x1008, 0x100C}));
    EXPECT_EQ(table.Add(std::make_shared<int>(4)), 0u) << "the range is full";
    table.Remove(0x1004);
    EXPECT_EQ(table.Add(std::make_shared<int>(5)), 0x1004u) << "the one free value, after wrapping round";
    table.Remove(0x1000);
    table.Remove(0x1008);
    EXPECT_EQ(table.Add(std::make_shared<int>(6)), 0x1008u) << "the next value on from the last one handed out";
    EXPECT_EQ(table.Add(std::make_shared<int>(7)), 0x1000u);
}

TEST(HandleTable, ARemovedObjectLivesUntilTheLastUseOfItEnds)
{
    struct Watched {
        explicit Watched(bool* gone) : m_gone(gone) {}
        ~Watched() { *m_gone = true; }
        bool* m_gone;
    };
    bool gone = false;
    HandleTable<Watched> table(HandleKind::Menu);
    const UINT_PTR value = table.Add(std::make_shared<Watched>(&gone));
    std::shared_ptr<Watched> inUse = table.Find(value);
    table.Remove(value).reset();
    EXPECT_FALSE(gone) << "a use found it before the close";
    inUse.reset();
    EXPECT_TRUE(gone);
}

HKEY OpenTestKey()
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kestrelon\\HandleKinds", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    const DWORD number = 1234;
    RegSetValueExA(key, "number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    return key;
}

const std::vector<HandleKindCase>& WinKinds()
{
    static const std::vector<HandleKindCase> cases = {
        {"kernel object (event)", HandleKind::KernelObject,
         [] { return ValueOf(CreateEventA(nullptr, TRUE, TRUE, nullptr)); },
         [](UINT_PTR h) { return Answer([&] { return WaitForSingleObject(As<HANDLE>(h), 0); }); },
         [](UINT_PTR h) { return CloseHandle(As<HANDLE>(h)) != FALSE; }, WAIT_OBJECT_0,
         {WAIT_FAILED, ERROR_INVALID_HANDLE}},
        {"GDI object (brush)", HandleKind::GdiObject, [] { return ValueOf(CreateSolidBrush(RGB(1, 2, 3))); },
         [](UINT_PTR h) {
             return Answer([&] {
                 LOGBRUSH brush{};
                 return GetObjectA(As<HGDIOBJ>(h), sizeof brush, &brush) ? static_cast<long long>(brush.lbColor) : -1;
             });
         },
         [](UINT_PTR h) { return DeleteObject(As<HGDIOBJ>(h)) != FALSE; }, RGB(1, 2, 3), {-1, ERROR_INVALID_HANDLE}},
        {"moveable global memory", HandleKind::GlobalMemory, [] { return ValueOf(GlobalAlloc(GMEM_MOVEABLE, 24)); },
         [](UINT_PTR h) { return Answer([&] { return GlobalSize(As<HGLOBAL>(h)); }); },
         [](UINT_PTR h) { return GlobalFree(As<HGLOBAL>(h)) == nullptr; }, 24, {0, ERROR_INVALID_HANDLE}},
        {"fixed global memory", HandleKind::GlobalMemory, [] { return ValueOf(GlobalAlloc(GMEM_FIXED, 40)); },
         [](UINT_PTR h) { return Answer([&] { return GlobalSize(As<HGLOBAL>(h)); }); },
         [](UINT_PTR h) { return GlobalFree(As<HGLOBAL>(h)) == nullptr; }, 40, {0, ERROR_INVALID_HANDLE}},
        {"registry key", HandleKind::RegistryKey, [] { return ValueOf(OpenTestKey()); },
         [](UINT_PTR h) {
             DWORD number = 0;
             DWORD size = sizeof number;
             const LONG error =
                 RegQueryValueExA(As<HKEY>(h), "number", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
             return HandleAnswer{error == ERROR_SUCCESS ? static_cast<long long>(number) : -1,
                                 static_cast<DWORD>(error)};
         },
         [](UINT_PTR h) { return RegCloseKey(As<HKEY>(h)) == ERROR_SUCCESS; }, 1234, {-1, ERROR_INVALID_HANDLE}},
        {"icon", HandleKind::Icon, [] { return ValueOf(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION))); },
         [](UINT_PTR h) {
             return Answer([&]() -> long long {
                 ICONINFO info{};
                 if (!GetIconInfo(As<HICON>(h), &info))
                     return -1;
                 DeleteObject(info.hbmColor);
                 DeleteObject(info.hbmMask);
                 return info.fIcon;
             });
         },
         [](UINT_PTR h) { return DestroyIcon(As<HICON>(h)) != FALSE; }, TRUE, {-1, ERROR_INVALID_PARAMETER}},
        {"menu", HandleKind::Menu,
         [] {
             HMENU menu = CreatePopupMenu();
             for (UINT id : {1u, 2u, 3u})
                 AppendMenuA(menu, MF_STRING, id, "item");
             return ValueOf(menu);
         },
         [](UINT_PTR h) { return Answer([&] { return GetMenuItemCount(As<HMENU>(h)); }); },
         [](UINT_PTR h) { return DestroyMenu(As<HMENU>(h)) != FALSE; }, 3, {-1, ERROR_INVALID_MENU_HANDLE}},
        {"accelerator table", HandleKind::Accelerator,
         [] {
             ACCEL entries[] = {{FVIRTKEY | FCONTROL, 'O', 100}, {FVIRTKEY, VK_F5, 101}};
             return ValueOf(CreateAcceleratorTableA(entries, 2));
         },
         [](UINT_PTR h) { return Answer([&] { return CopyAcceleratorTableA(As<HACCEL>(h), nullptr, 0); }); },
         [](UINT_PTR h) { return DestroyAcceleratorTable(As<HACCEL>(h)) != FALSE; }, 2, {0, ERROR_INVALID_HANDLE}},
        {"image list", HandleKind::ImageList,
         [] {
             HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24, 0, 4);
             ImageList_SetImageCount(list, 3);
             return ValueOf(list);
         },
         // Image lists report no error code: a bad handle counts no images.
         [](UINT_PTR h) { return HandleAnswer{ImageList_GetImageCount(As<HIMAGELIST>(h)), 0}; },
         [](UINT_PTR h) { return ImageList_Destroy(As<HIMAGELIST>(h)) != FALSE; }, 3, {0, 0}},
    };
    return cases;
}

TEST(HandleKinds, ClosedMadeUpAndOtherKindsHandlesAreRefused)
{
    testing_support::ExpectEveryKindRefuses(WinKinds());
}

TEST(HandleKinds, ACloseWhileAnotherThreadUsesTheHandleKeepsTheObjectUntilTheUseEnds)
{
    testing_support::ExpectEveryKindOutlivesACloseInUse(WinKinds());
}

} // namespace
