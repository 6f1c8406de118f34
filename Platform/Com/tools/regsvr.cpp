// regsvr: registers or unregisters the COM classes of modules by calling
// their DllRegisterServer or DllUnregisterServer export.
//
//   regsvr [-u] [-s] module...
//
// -u unregisters, -s prints nothing on success. The registry written is the
// one the registry layer chooses ($KESTRELON_REGISTRY_DIR when set). The
// exit status is 0 when every module succeeded, 1 for bad usage, 2 when a
// module cannot be loaded, 3 when it lacks the export and 4 when the call
// failed.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Platform/Com/Com.h"
#include "Platform/Win/Kernel/Modules.h"

namespace {

using EntryPoint = HRESULT (*)();

int Process(const char* path, bool unregister, bool silent)
{
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    HMODULE module = LoadLibraryA(path);
    if (!module) {
        std::fprintf(stderr, "regsvr: cannot load %s\n", path);
        return 2;
    }
    auto call = reinterpret_cast<EntryPoint>(GetProcAddress(module, entry));
    if (!call) {
        std::fprintf(stderr, "regsvr: %s has no %s\n", path, entry);
        FreeLibrary(module);
        return 3;
    }
    HRESULT hr = call();
    FreeLibrary(module);
    if (FAILED(hr)) {
        std::fprintf(stderr, "regsvr: %s in %s failed with 0x%08X\n", entry, path, static_cast<unsigned>(hr));
        return 4;
    }
    if (!silent)
        std::printf("%s in %s succeeded\n", entry, path);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool unregister = false;
    bool silent = false;
    std::vector<const char*> modules;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0)
            unregister = true;
        else if (std::strcmp(argv[i], "-s") == 0)
            silent = true;
        else if (argv[i][0] == '-') {
            std::fprintf(stderr, "regsvr: unknown option %s\n", argv[i]);
            return 1;
        } else
            modules.push_back(argv[i]);
    }
    if (modules.empty()) {
        std::fprintf(stderr, "usage: regsvr [-u] [-s] module...\n");
        return 1;
    }
    int status = 0;
    for (const char* path : modules) {
        // A bare name would be searched in the program's folder; the tool
        // is given files, so names without a folder are taken as relative.
        std::string file = std::strchr(path, '/') ? path : std::string("./") + path;
        int result = Process(file.c_str(), unregister, silent);
        if (result != 0 && status == 0)
            status = result;
    }
    CoFreeUnusedLibraries();
    return status;
}
