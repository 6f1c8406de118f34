#pragma once
// What a module handle stands for, and how other layers add modules of their
// own: the image behind a loaded module, the factories and aliases that the
// Windows names resolve through, and the folders modules are found in.

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "Platform/Win/Kernel/Modules.h"

namespace win {

// What a loaded module is. Besides shared libraries, other layers register
// modules of their own kinds (for example the compiled resource modules)
// by deriving from this and registering a factory for a name.
class ModuleImage {
public:
    virtual ~ModuleImage();
    virtual FARPROC GetProc(const char* name) = 0;
    // Full path of the file behind the module.
    virtual std::string Path() const = 0;

    // Another image that travels with this one, opened by `open` on the
    // first call (later calls return what the first opened, maybe null) and
    // freed with this one. The resource layer keeps here the compiled
    // resources that a shared library carries in a file beside it.
    using CompanionOpener = std::function<std::unique_ptr<ModuleImage>(const ModuleImage&)>;
    ModuleImage* Companion(const CompanionOpener& open);

private:
    std::once_flag m_companionOnce;
    std::unique_ptr<ModuleImage> m_companion;
};

// Makes `windowsName` (matched without regard to case or folder) load
// through `factory`, which returns null when the module cannot be had.
using ModuleFactory = std::function<std::unique_ptr<ModuleImage>()>;
void RegisterModuleFactory(const std::string& windowsName, ModuleFactory factory);
// Makes `windowsName` open the shared library at `path`.
void RegisterModuleAlias(const std::string& windowsName, const std::string& path);
// The image behind a module handle, or null.
ModuleImage* ModuleImageOf(HMODULE module);
// The program's folder, with a trailing '/', or $KESTRELON_MODULE_DIR.
std::string ModuleFolder();
// The running program's full path.
std::string ProgramPath();

} // namespace win
