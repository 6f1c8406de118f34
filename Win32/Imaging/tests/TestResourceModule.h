#pragma once
// Resource modules that tests write at run time: the compiled image of a
// list of resources, and a module loaded from such an image.

#include <functional>
#include <string>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Kernel/ModuleImage.h"
#include "tests/support/TempDir.h"

namespace imaging_tests {

using Bytes = std::vector<BYTE>;

void Put16(Bytes& out, WORD v);
void Put32(Bytes& out, DWORD v);

struct Resource {
    WORD type;
    WORD id;            // 0 when named
    std::string name;   // upper case
    Bytes data;
};

// A 24-bit bottom-up DIB as a bitmap resource (type 2) holds it, each
// pixel from `pixel` (x, y counted from the top left).
Bytes BitmapResource(int width, int height, const std::function<COLORREF(int, int)>& pixel);

// A compiled resource module holding `resources`, in the layout of
// Platform/Win/ResourceFormat.h.
Bytes ModuleImageOf(const std::vector<Resource>& resources);

// Writes `image` into a temporary folder and loads it as `windowsName`
// with KESTRELON_MODULE_DIR pointing there; the module is freed and the
// variable put back when the object goes. Handle() is null when loading
// failed.
class TestResourceModule {
public:
    TestResourceModule(const std::string& windowsName, const Bytes& image);
    ~TestResourceModule();
    TestResourceModule(const TestResourceModule&) = delete;
    TestResourceModule& operator=(const TestResourceModule&) = delete;

    HMODULE Handle() const { return m_module; }

private:
    testing_support::TempDir m_dir;
    HMODULE m_module = nullptr;
    bool m_hadFolder = false;
    std::string m_previousFolder;
};

} // namespace imaging_tests
