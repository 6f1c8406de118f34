#pragma once
// The three resource modules loaded as the application loads them: a
// default CResourceSwitch that lives as long as the object (the application
// object's), the modules from a chosen folder (by default the test stand-ins
// of KESTRELON_UTILS_FIXTURE_MODULES, where the tests define it), and the
// program as the current resource module.

#include <cstdlib>
#include <memory>
#include <string>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/System.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace testing_support {

// Points the module folder somewhere and puts it back after.
class ModuleFolderOverride {
public:
    explicit ModuleFolderOverride(const std::string& folder)
    {
        if (const char* old = std::getenv("KESTRELON_MODULE_DIR")) {
            m_previous = old;
            m_hadPrevious = true;
        }
        SetEnvironmentVariableA("KESTRELON_MODULE_DIR", folder.c_str());
    }
    ~ModuleFolderOverride()
    {
        SetEnvironmentVariableA("KESTRELON_MODULE_DIR", m_hadPrevious ? m_previous.c_str() : nullptr);
    }
    ModuleFolderOverride(const ModuleFolderOverride&) = delete;
    ModuleFolderOverride& operator=(const ModuleFolderOverride&) = delete;

private:
    std::string m_previous;
    bool m_hadPrevious = false;
};

class LoadedResourceModules {
public:
#ifdef KESTRELON_UTILS_FIXTURE_MODULES
    LoadedResourceModules() : LoadedResourceModules(KESTRELON_UTILS_FIXTURE_MODULES) {}
#endif
    explicit LoadedResourceModules(const std::string& folder)
        : m_folder(folder), m_application(std::make_unique<CResourceSwitch>()),
          m_modules(std::make_unique<CResourceModules>())
    {
        AfxSetResourceHandle(GetModuleHandleA(nullptr));
    }
    // The last switch goes with the object, which frees the modules.
    ~LoadedResourceModules() { m_application.reset(); }

    BOOL IsLoaded() const { return m_modules->IsLoaded(); }
    // Ends the application's switch early.
    void EndApplicationSwitch() { m_application.reset(); }

private:
    ModuleFolderOverride m_folder;
    std::unique_ptr<CResourceSwitch> m_application;
    std::unique_ptr<CResourceModules> m_modules;
};

} // namespace testing_support
