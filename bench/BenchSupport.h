#pragma once
// What the benchmark programs share: scratch names, the plug-in modules of
// the build tree registered in a registry of the benchmark's own (for the
// benchmarks that read media through them), and the peak resident memory.

#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "Platform/Win/Kernel/Modules.h"
#include "Win32/Produce/Producer.h"

namespace bench_support {

// A fresh name under /tmp for `what` (a suffix).
inline std::string Scratch(const char* what)
{
    return "/tmp/kestrelon_bench_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
           what;
}

#ifdef KESTRELON_PROGRAM_MODULES
// Registers `modules` (names of KESTRELON_PROGRAM_MODULES/<name>.so) once;
// whether all of them registered.
inline bool RegisterPlugins(std::initializer_list<const char*> modules)
{
    static const bool done = [modules] {
        std::string registry = Scratch("_registry");
        std::filesystem::create_directories(registry);
        setenv("KESTRELON_REGISTRY_DIR", registry.c_str(), 1);
        for (const char* module : modules) {
            std::string path = std::string(KESTRELON_PROGRAM_MODULES) + "/" + module + ".so";
            HMODULE handle = LoadLibraryA(path.c_str());
            auto entry = handle ? reinterpret_cast<HRESULT (*)()>(GetProcAddress(handle, "DllRegisterServer")) : nullptr;
            if (!entry || FAILED(entry()))
                return false;
        }
        return true;
    }();
    return done;
}
#endif

// Starts the kernel's count of the peak resident size afresh.
inline void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The process's peak resident size in MiB, from the kernel's status file.
inline double PeakMebibytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0.0;
}

// One production through the writer the producer makes from `settings`:
// whether it succeeded, the frames written, wall and processor seconds
// (construction to destruction of the producer).
struct ProductionRun {
    bool ok = false;
    int frames = 0;
    double wall = 0.0;
    double cpu = 0.0;
};

inline ProductionRun RunProduction(Storyboard* storyboard, CProductionSettings* settings)
{
    ProductionRun run;
    const std::clock_t cpuStart = std::clock();
    const auto start = std::chrono::steady_clock::now();
    {
        CProducer producer(storyboard, settings, nullptr);
        CString name;
        run.ok = producer.Prepare(0, 0x7FFF) == 0 && producer.Produce(name) == 0;
        run.frames = producer.GetFramesWritten();
    }
    run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    return run;
}

} // namespace bench_support
