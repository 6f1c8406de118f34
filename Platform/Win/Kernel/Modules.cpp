#include "Platform/Win/Kernel/Modules.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <unistd.h>

#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Kernel/ModuleImage.h"

namespace win {

ModuleImage::~ModuleImage() = default;

ModuleImage* ModuleImage::Companion(const CompanionOpener& open)
{
    std::call_once(m_companionOnce, [&] { m_companion = open(*this); });
    return m_companion.get();
}

namespace {

// A shared library opened with dlopen.
class SharedLibraryImage : public ModuleImage {
public:
    SharedLibraryImage(void* handle, std::string path) : m_handle(handle), m_path(std::move(path)) {}
    ~SharedLibraryImage() override
    {
        if (m_handle)
            dlclose(m_handle);
    }
    FARPROC GetProc(const char* name) override { return reinterpret_cast<FARPROC>(dlsym(m_handle, name)); }
    std::string Path() const override { return m_path; }

private:
    void* m_handle;
    std::string m_path;
};

// The program itself, for GetModuleHandle(nullptr).
class ProgramImage : public ModuleImage {
public:
    FARPROC GetProc(const char* name) override { return reinterpret_cast<FARPROC>(dlsym(RTLD_DEFAULT, name)); }
    std::string Path() const override { return ProgramPath(); }
};

struct LoadedModule {
    std::string key;
    std::unique_ptr<ModuleImage> image;
    int references = 0;
};

constexpr UINT_PTR kProgramHandle = RangeOf(HandleKind::Module).first;

// Loaded modules take the module kind's values after the program's.
constexpr HandleRange LoadedModules()
{
    HandleRange range = RangeOf(HandleKind::Module);
    range.first += range.step;
    return range;
}

// Everything here is guarded by the lock.
struct ModuleTable {
    std::recursive_mutex lock;
    std::map<std::string, ModuleFactory> factories; // by folded file name
    HandleTable<LoadedModule, OwnerLocked> loaded{LoadedModules()};
    ProgramImage program;
};

ModuleTable& Table()
{
    static ModuleTable* table = new ModuleTable; // outlives static destructors that free modules
    return *table;
}

// The file name part of a Windows or native module name, ASCII-folded, so
// "C:\\x\\RESLANG.DLL", "reslang.dll" and "./reslang.dll" share a key.
std::string ModuleKey(const std::string& name)
{
    size_t slash = name.find_last_of("/\\");
    std::string key = slash == std::string::npos ? name : name.substr(slash + 1);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

std::unique_ptr<ModuleImage> OpenShared(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    return std::make_unique<SharedLibraryImage>(handle, path);
}

// Finds and opens the module a name stands for, or null.
std::unique_ptr<ModuleImage> OpenModule(const std::string& name, const std::string& key)
{
    ModuleTable& t = Table();
    auto factory = t.factories.find(key);
    if (factory != t.factories.end())
        return factory->second();
    if (name.find('/') != std::string::npos)
        return OpenShared(name);
    std::string stem = key;
    size_t dot = stem.rfind('.');
    if (dot != std::string::npos)
        stem.erase(dot);
    std::string folder = ModuleFolder();
    for (const std::string& candidate : {folder + "lib" + stem + ".so", folder + stem + ".so", folder + name}) {
        if (access(candidate.c_str(), F_OK) == 0)
            if (auto image = OpenShared(candidate))
                return image;
    }
    return nullptr;
}

LoadedModule* FindLoaded(HMODULE module) { return Table().loaded.Find(module).get(); }

HMODULE ToHandle(UINT_PTR value) { return reinterpret_cast<HMODULE>(value); }

// The first loaded module that `matches`, or null.
template <typename Match> HMODULE FindLoadedWhere(Match&& matches)
{
    HMODULE found = nullptr;
    Table().loaded.ForEach([&](UINT_PTR value, const std::shared_ptr<LoadedModule>& entry) {
        if (!found && matches(*entry))
            found = ToHandle(value);
    });
    return found;
}

// The canonical form of a file path, for comparing two names of one file.
std::string Canonical(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// The loaded module whose file holds `address`; the program for an address
// of the program or of any library it did not load with LoadLibrary; null
// for an address in no file.
HMODULE ModuleHolding(const void* address)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const std::string file = Canonical(info.dli_fname);
    HMODULE found = FindLoadedWhere([&](const LoadedModule& entry) {
        return dynamic_cast<SharedLibraryImage*>(entry.image.get()) && Canonical(entry.image->Path()) == file;
    });
    return found ? found : ToHandle(kProgramHandle);
}

} // namespace

void RegisterModuleFactory(const std::string& windowsName, ModuleFactory factory)
{
    ModuleTable& t = Table();
    std::lock_guard<std::recursive_mutex> guard(t.lock);
    t.factories[ModuleKey(windowsName)] = std::move(factory);
}

void RegisterModuleAlias(const std::string& windowsName, const std::string& path)
{
    RegisterModuleFactory(windowsName, [path] { return OpenShared(path); });
}

ModuleImage* ModuleImageOf(HMODULE module)
{
    ModuleTable& t = Table();
    std::lock_guard<std::recursive_mutex> guard(t.lock);
    if (reinterpret_cast<UINT_PTR>(module) == kProgramHandle)
        return &t.program;
    LoadedModule* entry = FindLoaded(module);
    return entry ? entry->image.get() : nullptr;
}

std::string ProgramPath()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    return std::string(path, static_cast<size_t>(n));
}

std::string ModuleFolder()
{
    if (const char* folder = std::getenv("KESTRELON_MODULE_DIR"); folder && *folder) {
        std::string f = folder;
        return f.back() == '/' ? f : f + "/";
    }
    std::string program = ProgramPath();
    size_t slash = program.rfind('/');
    return slash == std::string::npos ? std::string("./") : program.substr(0, slash + 1);
}

} // namespace win

using namespace win;

HMODULE LoadLibraryA(LPCSTR name) { return LoadLibraryExA(name, nullptr, 0); }

HMODULE LoadLibraryExA(LPCSTR name, HANDLE, DWORD)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ModuleTable& t = Table();
    std::lock_guard<std::recursive_mutex> guard(t.lock);
    std::string key = ModuleKey(name);
    if (HMODULE loaded = FindLoadedWhere([&](const LoadedModule& entry) { return entry.key == key; })) {
        ++FindLoaded(loaded)->references;
        return loaded;
    }
    std::unique_ptr<ModuleImage> image = OpenModule(name, key);
    if (!image) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    HMODULE module = t.loaded.Add<HMODULE>(std::make_shared<LoadedModule>(LoadedModule{key, std::move(image), 1}));
    if (!module)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return module;
}

BOOL FreeLibrary(HMODULE module)
{
    std::shared_ptr<LoadedModule> doomed; // unloaded after the table lock is released
    ModuleTable& t = Table();
    std::lock_guard<std::recursive_mutex> guard(t.lock);
    LoadedModule* entry = FindLoaded(module);
    if (!entry) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--entry->references == 0)
        doomed = t.loaded.Remove(module);
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    ModuleImage* image = ModuleImageOf(module);
    if (!image) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string symbol = IS_INTRESOURCE(name)
                             ? "ordinal_" + std::to_string(reinterpret_cast<UINT_PTR>(name))
                             : std::string(name);
    FARPROC proc = image->GetProc(symbol.c_str());
    if (!proc)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return proc;
}

HMODULE GetModuleHandleA(LPCSTR name)
{
    if (!name)
        return ToHandle(kProgramHandle);
    ModuleTable& t = Table();
    std::lock_guard<std::recursive_mutex> guard(t.lock);
    const std::string key = ModuleKey(name);
    HMODULE found = FindLoadedWhere([&](const LoadedModule& entry) { return entry.key == key; });
    if (!found)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return found;
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR name, HMODULE* module)
{
    if (!module) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *module = nullptr;
    if ((flags & GET_MODULE_HANDLE_EX_FLAG_PIN) && (flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    ModuleTable& t = Table();
    std::lock_guard<std::recursive_mutex> guard(t.lock);
    HMODULE found = nullptr;
    if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)
        found = name ? ModuleHolding(name) : nullptr;
    else
        found = GetModuleHandleA(name);
    if (!found) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    // A counted reference keeps a library loaded until FreeLibrary; the
    // program is never unloaded. Modules are never unmapped (pinned or not).
    if (!(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT))
        if (LoadedModule* entry = FindLoaded(found))
            ++entry->references;
    *module = found;
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size)
{
    std::string path;
    if (!module) {
        path = ProgramPath();
    } else if (ModuleImage* image = ModuleImageOf(module)) {
        path = image->Path();
    } else {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (!buffer || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= size) {
        // Truncated and terminated; the full size is reported as on Windows.
        std::memcpy(buffer, path.data(), size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}
