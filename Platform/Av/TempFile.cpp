#include "Platform/Av/TempFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <unistd.h>

extern "C" {
#include <libavutil/error.h>
}

namespace av {
namespace {

std::atomic<unsigned> g_nextFile{0};

int LastError()
{
    return AVERROR(errno != 0 ? errno : EIO);
}

// The temporary files this process has open now.
struct OpenFiles {
    std::mutex lock;
    std::set<std::string> paths;
};

OpenFiles& Open()
{
    static auto* files = new OpenFiles; // files may still be open during static destruction
    return *files;
}

void Track(const std::string& path, bool open)
{
    OpenFiles& files = Open();
    std::lock_guard<std::mutex> guard(files.lock);
    if (open)
        files.paths.insert(path);
    else
        files.paths.erase(path);
}

bool IsOpenHere(const std::string& path)
{
    OpenFiles& files = Open();
    std::lock_guard<std::mutex> guard(files.lock);
    return files.paths.count(path) != 0;
}

// The process that wrote "<base>.~<process>-<number>.tmp", or -1 for any
// other name.
long WriterOf(const std::string& name, const std::string& base)
{
    const std::string mark = ".~";
    const std::string ending = ".tmp";
    if (name.size() <= base.size() + mark.size() + ending.size() || name.compare(0, base.size(), base) != 0 ||
        name.compare(base.size(), mark.size(), mark) != 0 ||
        name.compare(name.size() - ending.size(), ending.size(), ending) != 0)
        return -1;
    const std::string numbers = name.substr(base.size() + mark.size(), name.size() - base.size() - mark.size() -
                                                                            ending.size());
    const size_t dash = numbers.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == numbers.size() ||
        numbers.find_first_not_of("0123456789-") != std::string::npos)
        return -1;
    return std::strtol(numbers.substr(0, dash).c_str(), nullptr, 10);
}

// Deletes the temporary files of `target` that can no longer be finished:
// their process has ended, or it is this one and none of its files has
// them open. Files of writers still running are kept.
void RemoveStale(const std::string& target)
{
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string prefix = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = target.substr(prefix.size());
    DIR* directory = opendir(folder.empty() ? "/" : folder.c_str());
    if (directory == nullptr)
        return;
    const int saved = errno;
    while (const dirent* entry = readdir(directory)) {
        const long process = WriterOf(entry->d_name, base);
        if (process <= 0)
            continue;
        const std::string path = prefix + entry->d_name;
        const bool ended = process == getpid() ? !IsOpenHere(path)
                                               : kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
        if (ended)
            unlink(path.c_str());
    }
    closedir(directory);
    errno = saved;
}

} // namespace

int TempFile::Create(const std::string& target)
{
    Abandon();
    if (target.empty())
        return AVERROR(EINVAL);
    RemoveStale(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = target + ".~" + std::to_string(getpid()) + "-" + std::to_string(g_nextFile++) + ".tmp";
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return LastError();
        }
        m_file = fdopen(fd, "w+b");
        if (m_file == nullptr) {
            const int error = LastError();
            close(fd);
            unlink(path.c_str());
            return error;
        }
        std::setvbuf(m_file, nullptr, _IOFBF, 1u << 20);
        m_target = target;
        m_path = std::move(path);
        Track(m_path, true);
        return 0;
    }
    return AVERROR(EEXIST);
}

int TempFile::Commit()
{
    if (m_file == nullptr)
        return AVERROR(EBADF);
    int error = 0;
    if (std::fflush(m_file) != 0 || fsync(fileno(m_file)) != 0)
        error = LastError();
    if (std::fclose(m_file) != 0 && error == 0)
        error = LastError();
    m_file = nullptr;
    Track(m_path, false);
    if (error == 0 && std::rename(m_path.c_str(), m_target.c_str()) != 0)
        error = LastError();
    if (error != 0)
        unlink(m_path.c_str());
    m_path.clear();
    m_target.clear();
    return error;
}

void TempFile::Abandon()
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
        unlink(m_path.c_str());
        Track(m_path, false);
    }
    m_path.clear();
    m_target.clear();
}

} // namespace av
