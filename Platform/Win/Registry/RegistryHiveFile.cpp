#include "Platform/Win/Registry/Private/RegistryHiveFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "Platform/Win/Kernel/Errors.h"
#include "Platform/Win/Registry/Registry.h"

namespace win::detail {

namespace {

std::atomic<win::RegistryCommitHook> g_commitHook{nullptr};

// What the hive store reports for a failed file call: the kernel's code for
// the errno, except that a name missing on the way is a missing path (the
// store's folder is gone), and an errno the table has no row for is a
// failed write.
LONG StoreError(int error)
{
    if (error == ENOENT)
        return ERROR_PATH_NOT_FOUND;
    return static_cast<LONG>(win::ErrorFromErrno(error, ERROR_CANTWRITE));
}

LONG MakeFolder(const std::string& folder)
{
    for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return StoreError(errno);
    }
    return ERROR_SUCCESS;
}

void SyncFolder(const std::string& folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool ReadAll(int fd, std::string& text)
{
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
        if (n > 0)
            text.append(buffer, static_cast<size_t>(n));
    }
}

bool WriteAll(int fd, const std::string& text)
{
    for (size_t done = 0; done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno != EINTR)
            return false;
        if (n > 0)
            done += static_cast<size_t>(n);
    }
    return true;
}

// An exclusive lock on "<hive>.lock" for as long as the object lives; it
// orders the changes of every process using the folder.
class HiveLock {
public:
    explicit HiveLock(const std::string& hivePath)
    {
        m_fd = open((hivePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            m_error = errno;
            return;
        }
        while (flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_error = errno;
                close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~HiveLock()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

    bool Held() const { return m_fd >= 0; }
    int Error() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
};

void Report(std::vector<std::string>& reports, const std::string& line)
{
    reports.push_back(line);
    OutputDebugStringA((line + "\n").c_str());
}

// Temporary files are only ever present while their writer holds the hive
// lock, so any found by the lock's holder were left by a crash.
void RemoveStaleTemps(const std::string& folder, const std::string& fileName)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    std::string prefix = fileName + ".tmp-";
    while (dirent* entry = readdir(dir))
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            unlinkat(dirfd(dir), entry->d_name, 0);
    closedir(dir);
}

std::string DamagedName(const std::string& path)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string name = path + ".damaged-" + stamp;
    struct stat st{};
    for (int n = 1; lstat(name.c_str(), &st) == 0; ++n)
        name = path + ".damaged-" + stamp + "-" + std::to_string(n);
    return name;
}

} // namespace

bool HiveFile::Stamp::operator==(const Stamp& o) const
{
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
           changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
}

HiveFile::Stamp HiveFile::StampOf(const struct stat& st)
{
    return Stamp{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

HiveFile::~HiveFile() { Forget(); }

void HiveFile::Forget()
{
    if (m_heldFd >= 0)
        close(m_heldFd);
    m_heldFd = -1;
    m_root.Clear();
    m_stamp = {};
    m_loaded = false;
    m_damagedInPlace = false;
}

void HiveFile::Adopt(RegistryKey root, const Stamp& stamp, int fd)
{
    if (m_heldFd >= 0)
        close(m_heldFd);
    m_root = std::move(root);
    m_stamp = stamp;
    m_heldFd = fd;
    m_loaded = true;
    m_damagedInPlace = false;
}

FILETIME HiveFile::LastWriteTime() const
{
    FILETIME time{};
    if (!m_stamp.exists)
        return time;
    constexpr ULONGLONG kSecondsFrom1601To1970 = 11644473600ull;
    ULONGLONG ticks = (static_cast<ULONGLONG>(m_stamp.modified.tv_sec) + kSecondsFrom1601To1970) * 10000000ull +
                      static_cast<ULONGLONG>(m_stamp.modified.tv_nsec) / 100;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

LONG HiveFile::Refresh(const std::string& folder, std::vector<std::string>& reports)
{
    return Load(folder, reports, false);
}

LONG HiveFile::Load(const std::string& folder, std::vector<std::string>& reports, bool locked)
{
    std::string path = folder + m_fileName;
    struct stat st{};
    int fd = -1;
    if (stat(path.c_str(), &st) == 0) {
        // A damaged file left in place is tried again only by a writer.
        if (m_loaded && StampOf(st) == m_stamp && !(m_damagedInPlace && locked))
            return ERROR_SUCCESS;
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        int error = errno;
        if (!m_loaded || m_stamp.exists)
            Adopt(RegistryKey(), Stamp(), -1);
        return error == ENOENT ? ERROR_SUCCESS : StoreError(error);
    }
    std::string text;
    if (fstat(fd, &st) != 0 || !ReadAll(fd, text)) {
        close(fd);
        return ERROR_CANTREAD;
    }
    Stamp stamp = StampOf(st);
    RegistryKey root;
    std::string reason;
    if (ParseHive(text, root, reason)) {
        Adopt(std::move(root), stamp, fd);
        return ERROR_SUCCESS;
    }
    close(fd);
    if (!locked) {
        // Another process may be setting the same file aside: decide under the lock.
        HiveLock lock(path);
        if (lock.Held())
            return Load(folder, reports, true);
    }
    return SetAside(folder, reports, stamp, reason, locked);
}

LONG HiveFile::SetAside(const std::string& folder, std::vector<std::string>& reports, const Stamp& stamp,
                        const std::string& reason, bool locked)
{
    std::string path = folder + m_fileName;
    std::string aside = locked ? DamagedName(path) : std::string();
    if (locked && rename(path.c_str(), aside.c_str()) == 0) {
        SyncFolder(folder);
        Report(reports, "Registry: hive file " + path + " is damaged (" + reason + "); set aside as " + aside +
                            " and replaced by an empty hive");
        Adopt(RegistryKey(), Stamp(), -1);
        return Save(folder);
    }
    std::string why = locked ? std::strerror(errno) : "the folder cannot be locked";
    if (!(m_damagedInPlace && m_stamp == stamp))
        Report(reports, "Registry: hive file " + path + " is damaged (" + reason + ") and could not be set aside (" +
                            why + "); it is left untouched and read as empty");
    Adopt(RegistryKey(), stamp, -1);
    m_damagedInPlace = true;
    return ERROR_REGISTRY_CORRUPT;
}

LONG HiveFile::Save(const std::string& folder)
{
    std::string path = folder + m_fileName;
    RemoveStaleTemps(folder, m_fileName);
    std::string temp = path + ".tmp-" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return StoreError(errno);
    if (!WriteAll(fd, FormatHive(m_root)) || fsync(fd) != 0) {
        int error = errno;
        close(fd);
        unlink(temp.c_str());
        return StoreError(error);
    }
    if (win::RegistryCommitHook hook = g_commitHook.load())
        hook(temp.c_str(), path.c_str());
    if (rename(temp.c_str(), path.c_str()) != 0) {
        int error = errno;
        close(fd);
        unlink(temp.c_str());
        return StoreError(error);
    }
    SyncFolder(folder);
    struct stat st{};
    fstat(fd, &st); // after the rename, which changes the inode's ctime
    if (m_heldFd >= 0)
        close(m_heldFd);
    m_heldFd = fd;
    m_stamp = StampOf(st);
    m_loaded = true;
    m_damagedInPlace = false;
    return ERROR_SUCCESS;
}

LONG HiveFile::Apply(const std::string& folder, std::vector<std::string>& reports, const Change& change)
{
    if (LONG error = MakeFolder(folder); error != ERROR_SUCCESS)
        return error;
    HiveLock lock(folder + m_fileName);
    if (!lock.Held())
        return StoreError(lock.Error());
    if (LONG error = Load(folder, reports, true); error != ERROR_SUCCESS)
        return error;
    bool changed = false;
    LONG result = change(m_root, changed);
    if (result != ERROR_SUCCESS || !changed)
        return result;
    if (LONG error = Save(folder); error != ERROR_SUCCESS) {
        m_loaded = false; // the tree holds a change the file does not: read it again
        return error;
    }
    return ERROR_SUCCESS;
}

} // namespace win::detail

namespace win {

void SetRegistryCommitHook(RegistryCommitHook hook) { detail::g_commitHook.store(hook); }

} // namespace win
