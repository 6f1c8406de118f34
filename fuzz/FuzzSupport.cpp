#include "fuzz/FuzzSupport.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace fuzz {

const std::string& ScratchFolder()
{
    // Never destroyed: the exit handler below still needs it.
    static const std::string* folder = new std::string([] {
        std::error_code error;
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        std::filesystem::path path = base / ("kestrelon-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path, error);
        // Removed at exit: a fuzzing run makes millions of inputs, each in
        // the same few files.
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return path.string();
    }());
    return *folder;
}

std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size)
{
    const std::string path = ScratchFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

} // namespace fuzz
