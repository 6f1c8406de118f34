#include "Platform/Win/Kernel/Errors.h"

#include <cerrno>

namespace {

struct ErrnoMapping {
    int error;
    DWORD code;
};

constexpr ErrnoMapping kErrnoMappings[] = {
    {0, ERROR_SUCCESS},
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EEXIST, ERROR_FILE_EXISTS},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {EBADF, ERROR_INVALID_HANDLE},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EIO, ERROR_GEN_FAILURE},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EBUSY, ERROR_BUSY},
    {ESPIPE, ERROR_SEEK},
};

} // namespace

namespace win {

DWORD ErrorFromErrno(int error, DWORD unknown)
{
    for (const ErrnoMapping& mapping : kErrnoMappings) {
        if (mapping.error == error)
            return mapping.code;
    }
    return unknown;
}

} // namespace win
