#include "Platform/Av/TempFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
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

} // namespace

int TempFile::Create(const std::string& target)
{
    Abandon();
    if (target.empty())
        return AVERROR(EINVAL);
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
    }
    m_path.clear();
    m_target.clear();
}

} // namespace av
