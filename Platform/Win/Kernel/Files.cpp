#include "Platform/Win/Kernel/Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <compare>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Kernel/Errors.h"
#include "Platform/Win/Kernel/KernelObject.h"
#include "Platform/Win/Kernel/Time.h"

namespace {

// The data access of a handle, expressed in the FILE_SHARE_* bits so that
// access and share masks compare directly.
constexpr DWORD kCanRead = FILE_SHARE_READ;
constexpr DWORD kCanWrite = FILE_SHARE_WRITE;
constexpr DWORD kCanDelete = FILE_SHARE_DELETE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

DWORD DataAccess(DWORD access)
{
    DWORD data = 0;
    if (access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL))
        data |= kCanRead;
    if (access & (GENERIC_WRITE | GENERIC_ALL))
        data |= kCanWrite;
    if (access & (DELETE | GENERIC_ALL))
        data |= kCanDelete;
    return data;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

HANDLE FailHandle(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

// Copies `text` into a Win32-style buffer: the length without terminator on
// success, the size needed with the terminator when the buffer is too small.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size)
{
    if (!buffer || size <= text.size())
        return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string ParentOf(const std::string& path)
{
    std::string trimmed = WithoutTrailingSlashes(path);
    size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return WithoutTrailingSlashes(trimmed.substr(0, slash));
}

// Makes a rename into the folder of `path` durable: the new name is on
// disk once this returns (as far as the file system lets us know).
void SyncFolderOf(const std::string& path)
{
    int fd = open(ParentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

std::string LastComponent(const std::string& path)
{
    std::string trimmed = WithoutTrailingSlashes(path);
    size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string CurrentDirectory()
{
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// Windows tells a missing file (its folder exists) from a missing folder.
DWORD MissingPathError(const std::string& path)
{
    struct stat st {};
    std::string parent = ParentOf(path);
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD PathError(int error, const std::string& path)
{
    return error == ENOENT ? MissingPathError(path) : win::ErrorFromErrno(error);
}

// The user can always write as root, so for root the write bits decide
// whether a file counts as read-only; that keeps SetFileAttributesA and
// GetFileAttributesA consistent for every user.
bool IsReadOnly(const char* path, const struct stat& st)
{
    if (geteuid() == 0)
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    return faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) != 0 && errno != ENOENT;
}

// stat() that still describes a dangling symbolic link, as Windows reports a
// reparse point itself.
int StatPath(const char* path, struct stat& st)
{
    if (stat(path, &st) == 0)
        return 0;
    int error = errno;
    if (error == ENOENT && lstat(path, &st) == 0)
        return 0;
    return error;
}

DWORD AttributesOf(const char* path, const struct stat& st)
{
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (IsReadOnly(path, st))
        attributes |= FILE_ATTRIBUTE_READONLY;
    std::string name = LastComponent(path);
    if (name.size() > 1 && name[0] == '.' && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

FILETIME FileTimeOf(const timespec& time) { return win::FileTimeFromUnix(time.tv_sec, time.tv_nsec); }

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Windows leaves a time unchanged when it is null, zero or all ones.
timespec TimespecFromFileTime(const FILETIME* time)
{
    if (!time || Ticks(*time) == 0 || Ticks(*time) == ~0ull)
        return timespec{0, UTIME_OMIT};
    std::int64_t seconds = win::UnixSecondsFromFileTime(*time);
    ULONGLONG whole = Ticks(win::FileTimeFromUnix(seconds));
    return timespec{static_cast<time_t>(seconds), static_cast<long>((Ticks(*time) - whole) * 100)};
}

struct FileKey {
    dev_t device;
    ino_t inode;
    auto operator<=>(const FileKey&) const = default;
};

FileKey KeyOf(const struct stat& st) { return FileKey{st.st_dev, st.st_ino}; }

struct Opener {
    const void* owner;
    DWORD access;
    DWORD share;
};

struct RangeLock {
    const void* owner;
    ULONGLONG offset;
    ULONGLONG length;
};

// Everything this process knows about one open file: its handles' access
// and share modes, byte-range locks, and a pending delete-on-close.
struct OpenFileRecord {
    std::vector<Opener> openers;
    std::vector<RangeLock> locks;
    bool deletePending = false;
    std::string deletePath;
};

struct OpenFiles {
    std::mutex lock;
    std::map<FileKey, OpenFileRecord> records;
};

OpenFiles& Files()
{
    static OpenFiles* files = new OpenFiles; // handles may outlive static destruction
    return *files;
}

// Handles that only read attributes take no part in sharing, as on Windows.
bool SharingAllows(const OpenFileRecord& record, DWORD access, DWORD share)
{
    if (access == 0)
        return true;
    for (const Opener& opener : record.openers) {
        if (opener.access == 0)
            continue;
        if ((access & ~opener.share) != 0 || (opener.access & ~share) != 0)
            return false;
    }
    return true;
}

// Whether the handles of this process allow a new open of `st` with that
// access and share mode; ERROR_SUCCESS or ERROR_SHARING_VIOLATION.
DWORD SharingCheck(const struct stat& st, DWORD access, DWORD share)
{
    OpenFiles& files = Files();
    std::lock_guard<std::mutex> guard(files.lock);
    auto it = files.records.find(KeyOf(st));
    if (it == files.records.end() || SharingAllows(it->second, access, share))
        return ERROR_SUCCESS;
    return ERROR_SHARING_VIOLATION;
}

bool Overlaps(ULONGLONG offsetA, ULONGLONG lengthA, ULONGLONG offsetB, ULONGLONG lengthB)
{
    if (lengthA == 0 || lengthB == 0)
        return false;
    using Wide = unsigned __int128;
    return offsetA < Wide(offsetB) + lengthB && offsetB < Wide(offsetA) + lengthA;
}

void UnlinkIfSameFile(const std::string& path, const FileKey& key)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && KeyOf(st) == key)
        unlink(path.c_str());
}

int RenameNoReplace(const char* from, const char* to)
{
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // The file system cannot refuse to replace by itself.
    struct stat st {};
    if (lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return rename(from, to);
}

class FileObject final : public win::detail::KernelObject {
public:
    FileObject(int fd, const struct stat& st, DWORD access, std::string path)
        : m_fd(fd), m_key(KeyOf(st)), m_access(access), m_regular(S_ISREG(st.st_mode)), m_path(std::move(path))
    {
    }
    ~FileObject() override;

    int m_fd;
    FileKey m_key;
    DWORD m_access;
    bool m_regular;
    std::string m_path;
    bool m_registered = false;
    bool m_deleteOnClose = false;
};

FileObject::~FileObject()
{
    if (m_registered) {
        OpenFiles& files = Files();
        std::lock_guard<std::mutex> guard(files.lock);
        auto it = files.records.find(m_key);
        if (it != files.records.end()) {
            OpenFileRecord& record = it->second;
            std::erase_if(record.openers, [this](const Opener& o) { return o.owner == this; });
            std::erase_if(record.locks, [this](const RangeLock& l) { return l.owner == this; });
            if (m_deleteOnClose) {
                record.deletePending = true;
                record.deletePath = m_path;
            }
            if (record.openers.empty()) {
                if (record.deletePending)
                    UnlinkIfSameFile(record.deletePath, m_key);
                files.records.erase(it);
            }
        }
    }
    if (m_fd >= 0)
        close(m_fd);
}

std::shared_ptr<FileObject> FileFromHandle(HANDLE handle)
{
    auto file = win::detail::LookupHandleAs<FileObject>(handle);
    if (!file)
        SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

bool LockedByOther(const FileObject& file, ULONGLONG offset, ULONGLONG length)
{
    OpenFiles& files = Files();
    std::lock_guard<std::mutex> guard(files.lock);
    auto it = files.records.find(file.m_key);
    if (it == files.records.end())
        return false;
    return std::any_of(it->second.locks.begin(), it->second.locks.end(), [&](const RangeLock& l) {
        return l.owner != &file && Overlaps(l.offset, l.length, offset, length);
    });
}

ULONGLONG OverlappedOffset(const OVERLAPPED& overlapped)
{
    return (static_cast<ULONGLONG>(overlapped.OffsetHigh) << 32) | overlapped.Offset;
}

// Where the transfer starts: the OVERLAPPED offset when given (synchronous
// handles honour it), else the file pointer; -1 for a stream.
off_t TransferStart(const FileObject& file, const OVERLAPPED* overlapped)
{
    if (!file.m_regular)
        return -1;
    if (overlapped)
        return static_cast<off_t>(OverlappedOffset(*overlapped));
    return lseek(file.m_fd, 0, SEEK_CUR);
}

// Opens `path` for CreateFileA; `created` tells whether this call made it.
int OpenForDisposition(const char* path, int flags, mode_t mode, DWORD creation, bool& created)
{
    created = false;
    switch (creation) {
    case CREATE_NEW: {
        int fd = open(path, flags | O_CREAT | O_EXCL, mode);
        created = fd >= 0;
        return fd;
    }
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
        // Create exclusively first so that we know whether the file existed;
        // retry when another process deletes or creates it between the calls.
        for (int attempt = 0; attempt < 16; ++attempt) {
            int fd = open(path, flags | O_CREAT | O_EXCL, mode);
            if (fd >= 0) {
                created = true;
                return fd;
            }
            if (errno != EEXIST)
                return -1;
            fd = open(path, flags);
            if (fd >= 0 || errno != ENOENT)
                return fd;
        }
        return -1;
    default:
        return open(path, flags);
    }
}

// New pointer position for SetFilePointer(Ex), or -1 with the last error set.
LONGLONG TargetPosition(const FileObject& file, LONGLONG distance, DWORD method)
{
    LONGLONG base = 0;
    switch (method) {
    case FILE_BEGIN:
        break;
    case FILE_CURRENT:
        base = lseek(file.m_fd, 0, SEEK_CUR);
        break;
    case FILE_END: {
        struct stat st {};
        base = fstat(file.m_fd, &st) == 0 ? st.st_size : -1;
        break;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (base < 0) {
        SetLastError(win::ErrorFromErrno(errno));
        return -1;
    }
    LONGLONG target = 0;
    if (__builtin_add_overflow(base, distance, &target)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return -1;
    }
    return target;
}

bool MovePointer(const FileObject& file, LONGLONG target)
{
    if (lseek(file.m_fd, target, SEEK_SET) < 0) {
        SetLastError(win::ErrorFromErrno(errno));
        return false;
    }
    return true;
}

// Copies every byte of `in` to `out` from their current offsets.
bool CopyData(int in, int out)
{
    bool kernelCopy = true;
    std::vector<char> buffer;
    for (;;) {
        if (kernelCopy) {
            ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n > 0)
                continue;
            if (n == 0)
                return true;
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EPERM)
                return false;
            kernelCopy = false;
            buffer.resize(1 << 20);
        }
        ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += put;
        }
    }
}

struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            close(fd);
    }
};

// Copies `from` over `to` through a temporary file beside the target, so the
// target is either the old file or the complete copy; the copy keeps the
// permissions and times of the source.
DWORD CopyThroughTemporary(const char* from, const char* to, bool failIfExists)
{
    Descriptor in{open(from, O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0)
        return PathError(errno, from);
    struct stat source {};
    if (fstat(in.fd, &source) != 0)
        return win::ErrorFromErrno(errno);
    if (S_ISDIR(source.st_mode))
        return ERROR_ACCESS_DENIED;
    // CopyFile reads the source sharing only read and delete.
    if (DWORD error = SharingCheck(source, kCanRead, FILE_SHARE_READ | FILE_SHARE_DELETE))
        return error;

    struct stat target {};
    if (lstat(to, &target) == 0) {
        if (failIfExists)
            return ERROR_FILE_EXISTS;
        if (KeyOf(target) == KeyOf(source))
            return ERROR_SHARING_VIOLATION;
        if (S_ISDIR(target.st_mode) || IsReadOnly(to, target))
            return ERROR_ACCESS_DENIED;
        // The target is rewritten without sharing anything.
        if (DWORD error = SharingCheck(target, kCanWrite | kCanDelete, 0))
            return error;
    } else if (errno != ENOENT) {
        return PathError(errno, to);
    }

    std::string parent = ParentOf(to);
    std::string temporary = parent + (parent.back() == '/' ? "" : "/") + ".kestrelon-copy-XXXXXX";
    Descriptor out{mkostemp(temporary.data(), O_CLOEXEC)};
    if (out.fd < 0)
        return errno == ENOENT ? ERROR_PATH_NOT_FOUND : win::ErrorFromErrno(errno);

    DWORD error = ERROR_SUCCESS;
    const timespec times[2] = {source.st_atim, source.st_mtim};
    if (!CopyData(in.fd, out.fd) || fchmod(out.fd, source.st_mode & 07777) != 0 || futimens(out.fd, times) != 0 ||
        fsync(out.fd) != 0)
        error = win::ErrorFromErrno(errno);
    int fd = out.fd;
    out.fd = -1;
    if (close(fd) != 0 && !error)
        error = win::ErrorFromErrno(errno);
    if (!error) {
        int renamed = failIfExists ? RenameNoReplace(temporary.c_str(), to) : rename(temporary.c_str(), to);
        if (renamed != 0)
            error = errno == ENOENT ? ERROR_PATH_NOT_FOUND : win::ErrorFromErrno(errno);
    }
    if (error)
        unlink(temporary.c_str());
    return error;
}

std::atomic<UINT> g_nextTempNumber{0};

std::string TempFileName(const std::string& path, const char* prefix, UINT number)
{
    std::string name = path;
    if (!name.empty() && name.back() != '/')
        name += '/';
    // Up to three characters of the prefix, never splitting a UTF-8 sequence.
    std::string_view lead = prefix ? prefix : "";
    name += lead.substr(0, win::Utf8PrefixLength(lead, 3));
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X.tmp", number);
    return name + hex;
}

} // namespace

namespace win {

bool PathExists(const char* path)
{
    struct stat st {};
    return path && StatPath(path, st) == 0;
}

} // namespace win

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD flags,
                   HANDLE)
{
    if (!name || creation < CREATE_NEW || creation > TRUNCATE_EXISTING || (shareMode & ~kShareAll) != 0)
        return FailHandle(ERROR_INVALID_PARAMETER);
    if (!*name)
        return FailHandle(ERROR_PATH_NOT_FOUND);
    bool deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
    if (deleteOnClose)
        access |= DELETE;
    DWORD dataAccess = DataAccess(access);
    bool wantsRead = dataAccess & kCanRead;
    bool wantsWrite = dataAccess & kCanWrite;
    if (creation == TRUNCATE_EXISTING && !wantsWrite)
        return FailHandle(ERROR_INVALID_PARAMETER);

    // Truncation needs a writable descriptor even when the caller asked for
    // less; ReadFile and WriteFile check the handle's own access.
    bool writableFd = wantsWrite || creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING;
    int flagsForOpen = O_CLOEXEC | (writableFd ? (wantsRead ? O_RDWR : O_WRONLY) : O_RDONLY);
    if (flags & FILE_FLAG_WRITE_THROUGH)
        flagsForOpen |= O_DSYNC;
    mode_t mode = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

    bool created = false;
    int fd = OpenForDisposition(name, flagsForOpen, mode, creation, created);
    if (fd < 0 && errno == EACCES && creation == OPEN_EXISTING && dataAccess == 0)
        fd = open(name, O_PATH | O_CLOEXEC); // attribute-only handles need no read permission
    if (fd < 0) {
        int error = errno;
        bool mayCreate = creation != OPEN_EXISTING && creation != TRUNCATE_EXISTING;
        return FailHandle(error == ENOENT && mayCreate ? ERROR_PATH_NOT_FOUND : PathError(error, name));
    }

    struct stat st {};
    if (fstat(fd, &st) != 0) {
        int error = errno;
        close(fd);
        return FailHandle(win::ErrorFromErrno(error));
    }
    if (S_ISDIR(st.st_mode)) {
        close(fd);
        return FailHandle(ERROR_ACCESS_DENIED);
    }
    if (!created && S_ISREG(st.st_mode) && (writableFd || deleteOnClose) && IsReadOnly(name, st)) {
        close(fd);
        return FailHandle(ERROR_ACCESS_DENIED);
    }

    std::string path = name[0] == '/' ? std::string(name) : CurrentDirectory() + "/" + name;
    auto file = std::make_shared<FileObject>(fd, st, dataAccess, std::move(path));
    DWORD error = ERROR_SUCCESS;
    {
        OpenFiles& files = Files();
        std::lock_guard<std::mutex> guard(files.lock);
        auto [it, inserted] = files.records.try_emplace(file->m_key);
        OpenFileRecord& record = it->second;
        if (record.deletePending)
            error = ERROR_ACCESS_DENIED;
        else if (!SharingAllows(record, dataAccess, shareMode))
            error = ERROR_SHARING_VIOLATION;
        if (error) {
            if (inserted)
                files.records.erase(it);
        } else {
            record.openers.push_back(Opener{file.get(), dataAccess, shareMode});
            file->m_registered = true;
            file->m_deleteOnClose = deleteOnClose;
        }
    }
    if (error)
        return FailHandle(error);

    bool existed = !created;
    if (existed && (creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING) && ftruncate(fd, 0) != 0)
        return FailHandle(win::ErrorFromErrno(errno));

    HANDLE handle = win::detail::InsertHandle(std::move(file));
    if (!handle)
        return INVALID_HANDLE_VALUE;
    SetLastError(existed && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                   : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED overlapped)
{
    if (read)
        *read = 0;
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    if (!(file->m_access & kCanRead))
        return Fail(ERROR_ACCESS_DENIED);
    if (!buffer && toRead)
        return Fail(ERROR_INVALID_PARAMETER);
    off_t start = TransferStart(*file, overlapped);
    if (start >= 0 && LockedByOther(*file, static_cast<ULONGLONG>(start), toRead))
        return Fail(ERROR_LOCK_VIOLATION);

    char* bytes = static_cast<char*>(buffer);
    DWORD total = 0;
    while (total < toRead) {
        ssize_t n = overlapped && start >= 0 ? pread(file->m_fd, bytes + total, toRead - total, start + total)
                                             : ::read(file->m_fd, bytes + total, toRead - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(errno == EBADF ? ERROR_ACCESS_DENIED : win::ErrorFromErrno(errno));
        if (n == 0)
            break;
        total += static_cast<DWORD>(n);
        if (!file->m_regular)
            break; // a pipe or device hands over what it has
    }
    if (overlapped && start >= 0) {
        lseek(file->m_fd, start + total, SEEK_SET);
        overlapped->Internal = 0;
        overlapped->InternalHigh = total;
        // A synchronous read at a given offset reports the end of the file.
        if (total == 0 && toRead > 0)
            return Fail(ERROR_HANDLE_EOF);
    }
    if (read)
        *read = total;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped)
{
    if (written)
        *written = 0;
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    if (!(file->m_access & kCanWrite))
        return Fail(ERROR_ACCESS_DENIED);
    if (!buffer && toWrite)
        return Fail(ERROR_INVALID_PARAMETER);
    off_t start = TransferStart(*file, overlapped);
    if (start >= 0 && LockedByOther(*file, static_cast<ULONGLONG>(start), toWrite))
        return Fail(ERROR_LOCK_VIOLATION);

    const char* bytes = static_cast<const char*>(buffer);
    DWORD total = 0;
    while (total < toWrite) {
        ssize_t n = overlapped && start >= 0 ? pwrite(file->m_fd, bytes + total, toWrite - total, start + total)
                                             : ::write(file->m_fd, bytes + total, toWrite - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (written)
                *written = total;
            return Fail(n == 0 ? ERROR_WRITE_FAULT : errno == EBADF ? ERROR_ACCESS_DENIED : win::ErrorFromErrno(errno));
        }
        total += static_cast<DWORD>(n);
    }
    if (overlapped && start >= 0) {
        lseek(file->m_fd, start + total, SEEK_SET);
        overlapped->Internal = 0;
        overlapped->InternalHigh = total;
    }
    if (written)
        *written = total;
    return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD method)
{
    auto file = FileFromHandle(handle);
    if (!file)
        return INVALID_SET_FILE_POINTER;
    LONGLONG move = distanceHigh ? static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh))
                                                          << 32) |
                                                         static_cast<DWORD>(distance))
                                 : distance;
    LONGLONG target = TargetPosition(*file, move, method);
    if (target < 0)
        return INVALID_SET_FILE_POINTER;
    // Without a high part the caller cannot receive a position past 4 GiB.
    if (!distanceHigh && target > 0xFFFFFFFFll) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (!MovePointer(*file, target))
        return INVALID_SET_FILE_POINTER;
    if (distanceHigh)
        *distanceHigh = static_cast<LONG>(static_cast<ULONGLONG>(target) >> 32);
    // A low part equal to INVALID_SET_FILE_POINTER is told apart by this.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(target & 0xFFFFFFFFll);
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD method)
{
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    LONGLONG target = TargetPosition(*file, distance.QuadPart, method);
    if (target < 0 || !MovePointer(*file, target))
        return FALSE;
    if (newPosition)
        newPosition->QuadPart = target;
    return TRUE;
}

BOOL SetEndOfFile(HANDLE handle)
{
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    if (!(file->m_access & kCanWrite))
        return Fail(ERROR_ACCESS_DENIED);
    off_t position = lseek(file->m_fd, 0, SEEK_CUR);
    if (position < 0 || ftruncate(file->m_fd, position) != 0)
        return Fail(win::ErrorFromErrno(errno));
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle)
{
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    if (!(file->m_access & kCanWrite))
        return Fail(ERROR_ACCESS_DENIED);
    // Pipes and devices have nothing to flush and answer EINVAL.
    if (fsync(file->m_fd) != 0 && errno != EINVAL && errno != EROFS)
        return Fail(win::ErrorFromErrno(errno));
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh)
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size))
        return INVALID_FILE_SIZE;
    if (sizeHigh)
        *sizeHigh = static_cast<DWORD>(static_cast<ULONGLONG>(size.QuadPart) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size.QuadPart & 0xFFFFFFFFll);
}

BOOL GetFileSizeEx(HANDLE handle, PLARGE_INTEGER size)
{
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    if (!size)
        return Fail(ERROR_INVALID_PARAMETER);
    struct stat st {};
    if (fstat(file->m_fd, &st) != 0)
        return Fail(win::ErrorFromErrno(errno));
    size->QuadPart = st.st_size;
    return TRUE;
}

DWORD GetFileType(HANDLE handle)
{
    auto file = FileFromHandle(handle);
    struct stat st {};
    if (!file || fstat(file->m_fd, &st) != 0)
        return FILE_TYPE_UNKNOWN;
    if (S_ISCHR(st.st_mode))
        return FILE_TYPE_CHAR;
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        return FILE_TYPE_PIPE;
    return FILE_TYPE_DISK;
}

BOOL GetFileTime(HANDLE handle, LPFILETIME creation, LPFILETIME access, LPFILETIME write)
{
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    struct stat st {};
    if (fstat(file->m_fd, &st) != 0)
        return Fail(win::ErrorFromErrno(errno));
    // POSIX keeps no creation time; the status-change time stands in for it.
    if (creation)
        *creation = FileTimeOf(st.st_ctim);
    if (access)
        *access = FileTimeOf(st.st_atim);
    if (write)
        *write = FileTimeOf(st.st_mtim);
    return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME*, const FILETIME* access, const FILETIME* write)
{
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    if (!(file->m_access & kCanWrite))
        return Fail(ERROR_ACCESS_DENIED);
    const timespec times[2] = {TimespecFromFileTime(access), TimespecFromFileTime(write)};
    if (futimens(file->m_fd, times) != 0)
        return Fail(win::ErrorFromErrno(errno));
    return TRUE;
}

BOOL LockFile(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD bytesLow, DWORD bytesHigh)
{
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    if (!(file->m_access & (kCanRead | kCanWrite)))
        return Fail(ERROR_ACCESS_DENIED);
    RangeLock range{file.get(), (static_cast<ULONGLONG>(offsetHigh) << 32) | offsetLow,
                    (static_cast<ULONGLONG>(bytesHigh) << 32) | bytesLow};
    OpenFiles& files = Files();
    std::lock_guard<std::mutex> guard(files.lock);
    auto it = files.records.find(file->m_key);
    if (it == files.records.end())
        return Fail(ERROR_INVALID_HANDLE);
    std::vector<RangeLock>& locks = it->second.locks;
    // Locks are exclusive: not even the owner may lock an overlapping range twice.
    for (const RangeLock& held : locks) {
        if (Overlaps(held.offset, held.length, range.offset, range.length))
            return Fail(ERROR_LOCK_VIOLATION);
    }
    locks.push_back(range);
    return TRUE;
}

BOOL UnlockFile(HANDLE handle, DWORD offsetLow, DWORD offsetHigh, DWORD bytesLow, DWORD bytesHigh)
{
    auto file = FileFromHandle(handle);
    if (!file)
        return FALSE;
    ULONGLONG offset = (static_cast<ULONGLONG>(offsetHigh) << 32) | offsetLow;
    ULONGLONG length = (static_cast<ULONGLONG>(bytesHigh) << 32) | bytesLow;
    OpenFiles& files = Files();
    std::lock_guard<std::mutex> guard(files.lock);
    auto it = files.records.find(file->m_key);
    if (it == files.records.end())
        return Fail(ERROR_NOT_LOCKED);
    std::vector<RangeLock>& locks = it->second.locks;
    auto held = std::find_if(locks.begin(), locks.end(), [&](const RangeLock& l) {
        return l.owner == file.get() && l.offset == offset && l.length == length;
    });
    if (held == locks.end())
        return Fail(ERROR_NOT_LOCKED);
    locks.erase(held);
    return TRUE;
}

BOOL DeleteFileA(LPCSTR name)
{
    if (!name)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*name)
        return Fail(ERROR_PATH_NOT_FOUND);
    struct stat st {};
    if (lstat(name, &st) != 0)
        return Fail(PathError(errno, name));
    if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && IsReadOnly(name, st)))
        return Fail(ERROR_ACCESS_DENIED);
    // Held under the table lock so that no handle registers between the check and the unlink.
    OpenFiles& files = Files();
    std::lock_guard<std::mutex> guard(files.lock);
    auto it = files.records.find(KeyOf(st));
    if (it != files.records.end() && !SharingAllows(it->second, kCanDelete, kShareAll))
        return Fail(ERROR_SHARING_VIOLATION);
    if (unlink(name) != 0)
        return Fail(PathError(errno, name));
    return TRUE;
}

BOOL MoveFileA(LPCSTR from, LPCSTR to) { return MoveFileExA(from, to, MOVEFILE_COPY_ALLOWED); }

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags)
{
    constexpr DWORD kKnownFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if (!from || !to || (flags & ~kKnownFlags) != 0)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*from || !*to)
        return Fail(ERROR_PATH_NOT_FOUND);
    bool replace = flags & MOVEFILE_REPLACE_EXISTING;
    struct stat source {};
    if (lstat(from, &source) != 0)
        return Fail(PathError(errno, from));
    if (DWORD error = SharingCheck(source, kCanDelete, kShareAll))
        return Fail(error);

    struct stat target {};
    if (lstat(to, &target) == 0 && KeyOf(target) != KeyOf(source)) {
        if (!replace)
            return Fail(ERROR_ALREADY_EXISTS);
        if (S_ISDIR(target.st_mode) || IsReadOnly(to, target))
            return Fail(ERROR_ACCESS_DENIED);
        if (DWORD error = SharingCheck(target, kCanDelete, kShareAll))
            return Fail(error);
    }

    if ((replace ? rename(from, to) : RenameNoReplace(from, to)) == 0) {
        if (flags & MOVEFILE_WRITE_THROUGH)
            SyncFolderOf(to);
        return TRUE;
    }
    int error = errno;
    if (error == EEXIST)
        return Fail(ERROR_ALREADY_EXISTS);
    if (error == ENOTEMPTY)
        return Fail(ERROR_ACCESS_DENIED);
    if (error == ENOENT)
        return Fail(win::PathExists(from) ? ERROR_PATH_NOT_FOUND : MissingPathError(from));
    if (error != EXDEV || !(flags & MOVEFILE_COPY_ALLOWED) || !S_ISREG(source.st_mode))
        return Fail(win::ErrorFromErrno(error));
    if (DWORD copyError = CopyThroughTemporary(from, to, !replace))
        return Fail(copyError == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : copyError);
    if (flags & MOVEFILE_WRITE_THROUGH)
        SyncFolderOf(to);
    unlink(from);
    return TRUE;
}

BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    if (!from || !to)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*from || !*to)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (DWORD error = CopyThroughTemporary(from, to, failIfExists != FALSE))
        return Fail(error);
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES)
{
    if (!name)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*name)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (mkdir(name, 0777) == 0)
        return TRUE;
    if (errno == EEXIST)
        return Fail(ERROR_ALREADY_EXISTS);
    return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : win::ErrorFromErrno(errno));
}

BOOL RemoveDirectoryA(LPCSTR name)
{
    if (!name)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*name)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (rmdir(name) == 0)
        return TRUE;
    int error = errno;
    if (error == ENOTEMPTY || error == EEXIST)
        return Fail(ERROR_DIR_NOT_EMPTY);
    if (error == ENOTDIR) {
        struct stat st {};
        return Fail(lstat(name, &st) == 0 ? ERROR_DIRECTORY : ERROR_PATH_NOT_FOUND);
    }
    return Fail(PathError(error, name));
}

DWORD GetFileAttributesA(LPCSTR name)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(name, GetFileExInfoStandard, &data))
        return INVALID_FILE_ATTRIBUTES;
    return data.dwFileAttributes;
}

BOOL SetFileAttributesA(LPCSTR name, DWORD attributes)
{
    if (!name)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*name)
        return Fail(ERROR_PATH_NOT_FOUND);
    struct stat st {};
    if (stat(name, &st) != 0)
        return Fail(PathError(errno, name));
    // A read-only folder does not stop files being made in it on Windows, so
    // folders keep their permissions; the other attributes have no POSIX form.
    if (S_ISDIR(st.st_mode))
        return TRUE;
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? mode & ~(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
    if (mode != (st.st_mode & 07777) && chmod(name, mode) != 0)
        return Fail(win::ErrorFromErrno(errno));
    return TRUE;
}

BOOL GetFileAttributesExA(LPCSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info)
{
    if (!name || !info || level != GetFileExInfoStandard)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*name)
        return Fail(ERROR_PATH_NOT_FOUND);
    struct stat st {};
    if (int error = StatPath(name, st))
        return Fail(PathError(error, name));
    auto* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(info);
    data->dwFileAttributes = AttributesOf(name, st);
    data->ftCreationTime = FileTimeOf(st.st_ctim);
    data->ftLastAccessTime = FileTimeOf(st.st_atim);
    data->ftLastWriteTime = FileTimeOf(st.st_mtim);
    ULONGLONG size = S_ISDIR(st.st_mode) ? 0 : static_cast<ULONGLONG>(st.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    return TRUE;
}

DWORD GetTempPathA(DWORD size, LPSTR buffer)
{
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/')
        path += '/';
    return CopyOut(path, buffer, size);
}

UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR tempFileName)
{
    if (!path || !tempFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Like Windows, only the low 16 bits of the number are used.
    unique &= 0xFFFF;
    if (unique) {
        std::string name = TempFileName(path, prefix, unique);
        if (name.size() >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        std::memcpy(tempFileName, name.c_str(), name.size() + 1);
        return unique;
    }

    UINT expected = 0;
    UINT seed = (static_cast<UINT>(getpid()) * 2654435761u) ^ static_cast<UINT>(std::time(nullptr));
    g_nextTempNumber.compare_exchange_strong(expected, seed);
    for (UINT attempt = 0; attempt < 0xFFFF; ++attempt) {
        UINT number = g_nextTempNumber.fetch_add(1) & 0xFFFF;
        if (number == 0)
            continue;
        std::string name = TempFileName(path, prefix, number);
        if (name.size() >= MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            std::memcpy(tempFileName, name.c_str(), name.size() + 1);
            return number;
        }
        if (errno != EEXIST) {
            SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : win::ErrorFromErrno(errno));
            return 0;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer)
{
    std::string current = CurrentDirectory();
    if (current.empty()) {
        SetLastError(win::ErrorFromErrno(errno));
        return 0;
    }
    return CopyOut(current, buffer, size);
}

BOOL SetCurrentDirectoryA(LPCSTR path)
{
    if (!path)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!*path)
        return Fail(ERROR_PATH_NOT_FOUND);
    if (chdir(path) == 0)
        return TRUE;
    int error = errno;
    if (error == ENOTDIR) {
        struct stat st {};
        return Fail(stat(path, &st) == 0 ? ERROR_DIRECTORY : ERROR_PATH_NOT_FOUND);
    }
    return Fail(PathError(error, path));
}

DWORD GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart)
{
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!*name) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::string input = name;
    if (input[0] != '/') {
        std::string current = CurrentDirectory();
        if (current.empty()) {
            SetLastError(win::ErrorFromErrno(errno));
            return 0;
        }
        input = current + "/" + input;
    }

    // "." and ".." are resolved by name alone, as Windows does, without
    // following symbolic links.
    std::vector<std::string> parts;
    for (size_t start = 0; start <= input.size();) {
        size_t end = input.find('/', start);
        if (end == std::string::npos)
            end = input.size();
        std::string part = input.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string full;
    for (const std::string& part : parts)
        full += "/" + part;
    // A name that ends in a separator keeps it, and then has no file part.
    bool endsInSlash = input.back() == '/';
    if (full.empty() || endsInSlash)
        full += '/';

    DWORD result = CopyOut(full, buffer, size);
    if (filePart && buffer && result < size) {
        bool hasFilePart = full.back() != '/';
        *filePart = hasFilePart ? buffer + full.rfind('/') + 1 : nullptr;
    }
    return result;
}

BOOL GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                         PULARGE_INTEGER totalFree)
{
    const char* path = directory && *directory ? directory : ".";
    struct statvfs fs {};
    if (statvfs(path, &fs) != 0)
        return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : win::ErrorFromErrno(errno));
    if (freeToCaller)
        freeToCaller->QuadPart = static_cast<ULONGLONG>(fs.f_bavail) * fs.f_frsize;
    if (total)
        total->QuadPart = static_cast<ULONGLONG>(fs.f_blocks) * fs.f_frsize;
    if (totalFree)
        totalFree->QuadPart = static_cast<ULONGLONG>(fs.f_bfree) * fs.f_frsize;
    return TRUE;
}

BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                       LPDWORD totalClusters)
{
    const char* path = root && *root ? root : ".";
    struct statvfs fs {};
    if (statvfs(path, &fs) != 0)
        return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : win::ErrorFromErrno(errno));
    // 512-byte sectors; a cluster is the file system's fragment when that is
    // a whole number of sectors, so that the product is exactly the free bytes.
    constexpr ULONGLONG kSector = 512;
    ULONGLONG cluster = fs.f_frsize >= kSector && fs.f_frsize % kSector == 0 ? fs.f_frsize : 4096;
    auto clamp = [](ULONGLONG value) { return static_cast<DWORD>(std::min<ULONGLONG>(value, 0xFFFFFFFFu)); };
    if (sectorsPerCluster)
        *sectorsPerCluster = static_cast<DWORD>(cluster / kSector);
    if (bytesPerSector)
        *bytesPerSector = static_cast<DWORD>(kSector);
    if (freeClusters)
        *freeClusters = clamp(static_cast<ULONGLONG>(fs.f_bavail) * fs.f_frsize / cluster);
    if (totalClusters)
        *totalClusters = clamp(static_cast<ULONGLONG>(fs.f_blocks) * fs.f_frsize / cluster);
    return TRUE;
}
