// The compiled resource modules (".kres"): any file loads or is refused,
// and every resource of a module that loads is read as its callers read it:
// raw bytes, string tables and bitmaps.

#include <cstdlib>
#include <string>

#include "Platform/Win/Win32.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr char kModule[] = "FuzzResources.dll";
constexpr int kTypes = 24;
constexpr int kNames = 8;

// Keeps the reads of resource bytes from being optimised away.
volatile unsigned g_sink = 0;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("KESTRELON_MODULE_DIR", fuzz::ScratchFolder().c_str(), 1);
    win::RegisterResourceModule(kModule, "FuzzResources.kres");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::WriteScratchFile("FuzzResources.kres", data, size);
    HMODULE module = LoadLibraryA(kModule);
    if (!module)
        return 0;
    unsigned sum = 0;
    for (int type = 1; type <= kTypes; ++type) {
        for (int name = 1; name <= kNames; ++name) {
            HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(name), MAKEINTRESOURCEA(type));
            if (!found)
                continue;
            const DWORD bytes = SizeofResource(module, found);
            const auto* at = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
            FUZZ_CHECK(at != nullptr || bytes == 0, "a resource found has no data");
            for (DWORD i = 0; i < bytes; ++i)
                sum += at[i];
        }
    }
    char text[64];
    for (UINT id = 0; id < 16 * kNames; ++id)
        sum += static_cast<unsigned>(LoadStringA(module, id, text, sizeof text));
    std::string whole;
    for (UINT id = 0; id < 16 * kNames; id += 7)
        sum += win::LoadStringText(module, id, whole) ? static_cast<unsigned>(whole.size()) : 0;
    for (int name = 1; name <= kNames; ++name) {
        if (HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(name))) {
            BITMAP info{};
            FUZZ_CHECK(GetObjectA(bitmap, sizeof info, &info) != 0, "a loaded bitmap describes itself");
            DeleteObject(bitmap);
        }
    }
    FreeLibrary(module);
    g_sink = sum;
    return 0;
}
