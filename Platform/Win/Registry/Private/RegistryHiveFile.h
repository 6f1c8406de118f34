#pragma once
// A hive file and the tree last read from it, kept in step with the file on
// disk while other processes change it.
//
// Every change takes an exclusive lock on "<hive>.lock", reads the file again
// when it changed since it was last read, applies the change, writes the
// whole hive to "<hive>.tmp-<pid>", syncs it, renames it over the hive and
// syncs the folder. Reads only compare the file's identity (inode, size,
// times) with the one read last and read it again when it differs. A file
// that does not parse is renamed to "<hive>.damaged-<YYYYMMDD-HHMMSS>",
// reported, and replaced by an empty hive; it is never written over.
// Callers serialise all use of one object.

#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Platform/Win/Registry/Private/RegistryHive.h"

namespace win::detail {

class HiveFile {
public:
    explicit HiveFile(const char* fileName) : m_fileName(fileName) {}
    ~HiveFile();
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    // Brings the tree up to date with the file in `folder` (with a trailing
    // '/'); damage found is added to `reports`. Readers may ignore the
    // result and go on with the tree as it is.
    LONG Refresh(const std::string& folder, std::vector<std::string>& reports);
    // Applies `change(root, changed)` to the fresh tree under the lock and
    // saves the hive when it reports a change. The folder is made (0700)
    // when missing.
    using Change = std::function<LONG(RegistryKey& root, bool& changed)>;
    LONG Apply(const std::string& folder, std::vector<std::string>& reports, const Change& change);

    const RegistryKey& Root() const { return m_root; }
    // The time the file was last written, zero when there is none.
    FILETIME LastWriteTime() const;
    // Drops the tree so that the next use reads the file again.
    void Forget();

private:
    // What identifies one version of the file. Hive files are only replaced
    // by rename, never rewritten in place, so the inode tells versions
    // apart; size and times catch editors that do write in place.
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        bool operator==(const Stamp& other) const;
    };
    static Stamp StampOf(const struct stat& st);

    LONG Load(const std::string& folder, std::vector<std::string>& reports, bool locked);
    LONG SetAside(const std::string& folder, std::vector<std::string>& reports, const Stamp& stamp,
                  const std::string& reason, bool locked);
    LONG Save(const std::string& folder);
    void Adopt(RegistryKey root, const Stamp& stamp, int fd);

    std::string m_fileName;
    bool m_loaded = false;
    RegistryKey m_root;
    Stamp m_stamp;
    // The file the tree came from stays open so that its inode cannot be
    // reused by a later version while we compare against it.
    int m_heldFd = -1;
    // The file on disk could not be parsed nor set aside: it must not be
    // written over, and it is reported once.
    bool m_damagedInPlace = false;
};

} // namespace win::detail
