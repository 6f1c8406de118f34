#include "TestResourceModule.h"

#include <cstdlib>

#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/ResourceFormat.h"
#include "Platform/Win/Kernel/Resources.h"
#include "Platform/Win/Kernel/System.h"

namespace imaging_tests {

void Put16(Bytes& out, WORD v)
{
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
}

void Put32(Bytes& out, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(v >> (8 * i)));
}

Bytes BitmapResource(int width, int height, const std::function<COLORREF(int, int)>& pixel)
{
    Bytes out;
    Put32(out, 40);
    Put32(out, static_cast<DWORD>(width));
    Put32(out, static_cast<DWORD>(height));
    Put16(out, 1);
    Put16(out, 24);
    for (int i = 0; i < 6; ++i)
        Put32(out, 0);
    const int stride = (width * 3 + 3) & ~3;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixel(x, y);
            out.push_back(GetBValue(c));
            out.push_back(GetGValue(c));
            out.push_back(GetRValue(c));
        }
        out.resize(out.size() + static_cast<size_t>(stride - width * 3), 0);
    }
    return out;
}

Bytes ModuleImageOf(const std::vector<Resource>& resources)
{
    namespace rf = win::resfile;
    Bytes pool;
    std::vector<DWORD> names;
    for (const Resource& r : resources) {
        names.push_back(r.id ? r.id : rf::kNamed | static_cast<DWORD>(pool.size()));
        if (!r.id) {
            pool.insert(pool.end(), r.name.begin(), r.name.end());
            pool.push_back(0);
        }
    }
    const DWORD poolOffset = static_cast<DWORD>(rf::kHeaderSize + resources.size() * rf::kEntrySize);
    DWORD dataOffset = (poolOffset + static_cast<DWORD>(pool.size()) + 3) & ~3u;
    Bytes file(rf::kMagic, rf::kMagic + 4);
    Put32(file, rf::kVersion);
    Put32(file, static_cast<DWORD>(resources.size()));
    Put32(file, poolOffset);
    Put32(file, static_cast<DWORD>(pool.size()));
    std::vector<DWORD> offsets;
    for (size_t i = 0; i < resources.size(); ++i) {
        offsets.push_back(dataOffset);
        Put32(file, resources[i].type);
        Put32(file, names[i]);
        Put32(file, 0);
        Put32(file, dataOffset);
        Put32(file, static_cast<DWORD>(resources[i].data.size()));
        Put32(file, 0);
        dataOffset = (dataOffset + static_cast<DWORD>(resources[i].data.size()) + 3) & ~3u;
    }
    file.insert(file.end(), pool.begin(), pool.end());
    for (size_t i = 0; i < resources.size(); ++i) {
        file.resize(offsets[i], 0);
        file.insert(file.end(), resources[i].data.begin(), resources[i].data.end());
    }
    return file;
}

TestResourceModule::TestResourceModule(const std::string& windowsName, const Bytes& image)
{
    const std::string fileName = windowsName.substr(0, windowsName.rfind('.')) + ".kres";
    m_dir.Write(fileName, std::string(image.begin(), image.end()));
    const char* previous = std::getenv("KESTRELON_MODULE_DIR");
    m_hadFolder = previous != nullptr;
    m_previousFolder = previous ? previous : "";
    SetEnvironmentVariableA("KESTRELON_MODULE_DIR", m_dir.Path().c_str());
    win::RegisterResourceModule(windowsName, fileName);
    m_module = LoadLibraryA(windowsName.c_str());
}

TestResourceModule::~TestResourceModule()
{
    if (m_module)
        FreeLibrary(m_module);
    SetEnvironmentVariableA("KESTRELON_MODULE_DIR", m_hadFolder ? m_previousFolder.c_str() : nullptr);
}

} // namespace imaging_tests
