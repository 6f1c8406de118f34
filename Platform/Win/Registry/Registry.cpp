#include "Platform/Win/Registry/Registry.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

#include "Platform/Win/Kernel/HandleTable.h"
#include "Platform/Win/Registry/Private/RegistryHive.h"
#include "Platform/Win/Registry/Private/RegistryHiveFile.h"

// Open key handles name a key by its hive and path, not by a node in memory:
// the tree is replaced whenever another process changes the hive file, and
// a handle keeps working across RegistryReset() (it then names the key in
// the hives of the new folder). A key this process deletes marks every
// handle at or below it deleted; a key deleted by another process is seen
// as deleted while it is missing, and as the new key if one is made again
// under the same path. Volatile keys are stored like any other key, and key
// classes, security and last-write times per key are not kept: queries
// report an empty class and the hive file's time.

using win::detail::HiveFile;
using win::detail::RegistryKey;
using win::detail::RegistryValue;
using Path = std::vector<std::string>;

namespace {

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr UINT_PTR kPredefinedFirst = win::RangeOf(win::HandleKind::PredefinedKey).first;
constexpr UINT_PTR kPredefinedLast = win::RangeOf(win::HandleKind::PredefinedKey).end - 1;

enum HiveId { kUserHive, kMachineHive, kHiveCount };

// What an open handle names; `deleted` is read and written under the
// registry's lock.
struct OpenKey {
    int hive;
    Path path;
    bool deleted = false;
};

// The key a handle names.
struct KeyRef {
    int hive = kUserHive;
    Path path;
    // The roots and HKEY_CLASSES_ROOT always exist: they are made when a
    // change needs them and read as empty while missing.
    bool predefined = false;
    bool deleted = false;
};

struct Registry {
    std::mutex lock;
    std::string folder;
    HiveFile hives[kHiveCount] = {HiveFile("user.reg"), HiveFile("machine.reg")};
    // Looked up with the lock held; RegCloseKey takes only the table's own
    // lock, so a close never waits for a call in progress.
    win::HandleTable<OpenKey> handles{win::HandleKind::RegistryKey};
    std::vector<std::string> damageReports;
};

Registry& State()
{
    static Registry* registry = new Registry; // lives until exit, used by atexit code too
    return *registry;
}

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string FolderFromEnvironment()
{
    if (const char* dir = std::getenv("KESTRELON_REGISTRY_DIR"); dir && *dir)
        return WithSlash(dir);
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return WithSlash(config) + "Kestrelon/";
    std::string home;
    if (const char* value = std::getenv("HOME"); value && *value)
        home = value;
    else if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_dir)
        home = entry->pw_dir;
    else
        home = "/tmp";
    return WithSlash(home) + ".config/Kestrelon/";
}

const std::string& Folder(Registry& r)
{
    if (r.folder.empty())
        r.folder = FolderFromEnvironment();
    return r.folder;
}

LONG Mutate(Registry& r, int hive, const HiveFile::Change& change)
{
    return r.hives[hive].Apply(Folder(r), r.damageReports, change);
}

bool IsPredefined(HKEY key)
{
    auto value = reinterpret_cast<UINT_PTR>(key);
    return value >= kPredefinedFirst && value <= kPredefinedLast;
}

LONG Lookup(Registry& r, HKEY key, bool forWrite, KeyRef& ref)
{
    if (key == HKEY_CURRENT_USER)
        ref = KeyRef{kUserHive, {}, true, false};
    else if (key == HKEY_LOCAL_MACHINE)
        ref = KeyRef{kMachineHive, {}, true, false};
    else if (key == HKEY_CLASSES_ROOT)
        ref = KeyRef{kMachineHive, {"SOFTWARE", "Classes"}, true, false};
    else if (key == HKEY_USERS)
        return forWrite ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND; // nothing uses the other users' hives
    else if (const std::shared_ptr<OpenKey> open = r.handles.Find(key))
        ref = KeyRef{open->hive, open->path, false, open->deleted};
    else
        return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}

// Null when every registry key handle is open.
HKEY NewHandle(Registry& r, int hive, Path path)
{
    return r.handles.Add<HKEY>(std::make_shared<OpenKey>(OpenKey{hive, std::move(path)}));
}

bool StartsWith(const Path& path, const Path& prefix)
{
    if (path.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (!win::detail::EqualsIgnoringCase(path[i], prefix[i]))
            return false;
    return true;
}

void MarkDeleted(Registry& r, int hive, const Path& path, bool includingItself)
{
    r.handles.ForEach([&](UINT_PTR, const std::shared_ptr<OpenKey>& open) {
        if (open->hive == hive && StartsWith(open->path, path) && (includingItself || open->path.size() > path.size()))
            open->deleted = true;
    });
}

// Splits a sub key path. Like Windows, a leading backslash is refused and
// one trailing backslash is ignored.
LONG SplitSubKey(LPCSTR subKey, Path& names)
{
    if (!subKey || !*subKey)
        return ERROR_SUCCESS;
    std::string_view text(subKey);
    if (text.front() == '\\')
        return ERROR_BAD_PATHNAME;
    if (text.back() == '\\')
        text.remove_suffix(1);
    for (;;) {
        size_t end = text.find('\\');
        std::string_view name = text.substr(0, end);
        if (name.empty())
            return ERROR_BAD_PATHNAME;
        if (name.size() > kMaxKeyNameLength)
            return ERROR_INVALID_PARAMETER;
        names.emplace_back(name);
        if (end == std::string_view::npos)
            return ERROR_SUCCESS;
        text.remove_prefix(end + 1);
    }
}

RegistryKey* Walk(const RegistryKey& from, const Path& names, size_t count)
{
    auto* key = const_cast<RegistryKey*>(&from);
    for (size_t i = 0; i < count && key; ++i)
        key = key->FindSubKey(names[i]);
    return key;
}

const RegistryKey& EmptyKey()
{
    static const RegistryKey empty;
    return empty;
}

// The key a reference names, in its hive freshly read; null with `error`
// set when it is gone.
const RegistryKey* FindForRead(Registry& r, const KeyRef& ref, LONG& error)
{
    HiveFile& hive = r.hives[ref.hive];
    hive.Refresh(Folder(r), r.damageReports);
    if (ref.deleted) {
        error = ERROR_KEY_DELETED;
        return nullptr;
    }
    if (const RegistryKey* key = Walk(hive.Root(), ref.path, ref.path.size()))
        return key;
    if (ref.predefined)
        return &EmptyKey();
    error = ERROR_KEY_DELETED;
    return nullptr;
}

// The key a reference names inside a hive being changed; a missing
// predefined key is made when `create` is set.
RegistryKey* FindForWrite(RegistryKey& root, const KeyRef& ref, bool create, bool& changed, LONG& error)
{
    if (ref.deleted) {
        error = ERROR_KEY_DELETED;
        return nullptr;
    }
    if (RegistryKey* key = Walk(root, ref.path, ref.path.size()))
        return key;
    if (!ref.predefined) {
        error = ERROR_KEY_DELETED;
        return nullptr;
    }
    if (!create) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    RegistryKey* key = &root;
    for (const std::string& name : ref.path) {
        bool created = false;
        key = &key->CreateSubKey(name, &created);
        changed |= created;
    }
    return key;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Copies value data out the way RegQueryValueEx does. A string stored
// without its terminator gets one after the data when the buffer has room,
// not counted in the size, so callers using the buffer as text stay safe.
LONG CopyData(const RegistryValue& value, LPBYTE data, LPDWORD dataSize)
{
    auto size = static_cast<DWORD>(value.m_data.size());
    if (!dataSize)
        return ERROR_SUCCESS;
    if (!data) {
        *dataSize = size;
        return ERROR_SUCCESS;
    }
    if (*dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, value.m_data.data(), size);
    if (IsStringType(value.m_type) && *dataSize > size && (size == 0 || data[size - 1] != 0))
        data[size] = 0;
    *dataSize = size;
    return ERROR_SUCCESS;
}

// Gives a text name to a caller's buffer of `*size` characters.
LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD size)
{
    if (*size <= name.size())
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

bool IsKnownKey(HKEY key)
{
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    return Lookup(r, key, false, ref) == ERROR_SUCCESS;
}

} // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    Path names;
    LONG error = Lookup(r, key, false, ref);
    if (error == ERROR_SUCCESS)
        error = SplitSubKey(subKey, names);
    const RegistryKey* found = error == ERROR_SUCCESS ? FindForRead(r, ref, error) : nullptr;
    if (!found)
        return error;
    Path path = ref.path;
    for (const std::string& name : names) {
        found = found->FindSubKey(name);
        if (!found)
            return ERROR_FILE_NOT_FOUND;
        path.push_back(found->Name());
    }
    if (found == &EmptyKey())
        return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(r, ref.hive, std::move(path));
    return *result ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    if (subKey && *subKey)
        return RegOpenKeyExA(key, subKey, 0, KEY_ALL_ACCESS, result);
    // The old call hands back the same handle for an empty sub key.
    if (!IsKnownKey(key))
        return ERROR_INVALID_HANDLE;
    *result = key;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                     LPDWORD disposition)
{
    if (!result || !subKey)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    Path names;
    LONG error = Lookup(r, key, true, ref);
    if (error == ERROR_SUCCESS)
        error = SplitSubKey(subKey, names);
    const RegistryKey* found = error == ERROR_SUCCESS ? FindForRead(r, ref, error) : nullptr;
    if (!found)
        return error;

    // Opening a key that exists needs no write.
    Path path = ref.path;
    for (size_t i = 0; i < names.size() && found; ++i) {
        found = found->FindSubKey(names[i]);
        if (found)
            path.push_back(found->Name());
    }
    if (found && found != &EmptyKey()) {
        *result = NewHandle(r, ref.hive, std::move(path));
        if (!*result)
            return ERROR_NOT_ENOUGH_MEMORY;
        if (disposition)
            *disposition = REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    }

    bool createdLast = false;
    error = Mutate(r, ref.hive, [&](RegistryKey& root, bool& changed) {
        LONG failure = ERROR_SUCCESS;
        RegistryKey* at = FindForWrite(root, ref, true, changed, failure);
        if (!at)
            return failure;
        path = ref.path;
        for (const std::string& name : names) {
            at = &at->CreateSubKey(name, &createdLast);
            changed |= createdLast;
            path.push_back(at->Name());
        }
        return static_cast<LONG>(ERROR_SUCCESS);
    });
    if (error != ERROR_SUCCESS)
        return error;
    *result = NewHandle(r, ref.hive, std::move(path));
    if (!*result)
        return ERROR_NOT_ENOUGH_MEMORY;
    if (disposition)
        *disposition = createdLast ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    if (subKey && *subKey)
        return RegCreateKeyExA(key, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, result,
                               nullptr);
    if (!IsKnownKey(key))
        return ERROR_INVALID_HANDLE;
    *result = key;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (IsPredefined(key))
        return ERROR_SUCCESS;
    return State().handles.Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY key)
{
    // Every change is already on disk when its call returns.
    return IsKnownKey(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    LONG error = Lookup(r, key, false, ref);
    const RegistryKey* found = error == ERROR_SUCCESS ? FindForRead(r, ref, error) : nullptr;
    if (!found)
        return error;
    const RegistryValue* value = found->FindValue(valueName ? valueName : "");
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->m_type;
    return CopyData(*value, data, dataSize);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize)
{
    std::string_view name = valueName ? valueName : "";
    if ((!data && dataSize) || name.size() > kMaxValueNameLength)
        return ERROR_INVALID_PARAMETER;
    if ((type == REG_DWORD && dataSize != 4) || (type == REG_QWORD && dataSize != 8))
        return ERROR_INVALID_PARAMETER;
    std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    if (LONG error = Lookup(r, key, true, ref); error != ERROR_SUCCESS)
        return error;
    return Mutate(r, ref.hive, [&](RegistryKey& root, bool& changed) {
        LONG failure = ERROR_SUCCESS;
        RegistryKey* at = FindForWrite(root, ref, true, changed, failure);
        if (!at)
            return failure;
        changed |= at->SetValue(name, type, std::move(bytes));
        return static_cast<LONG>(ERROR_SUCCESS);
    });
}

LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, PLONG dataSize)
{
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    Path names;
    LONG error = Lookup(r, key, false, ref);
    if (error == ERROR_SUCCESS)
        error = SplitSubKey(subKey, names);
    const RegistryKey* found = error == ERROR_SUCCESS ? FindForRead(r, ref, error) : nullptr;
    if (!found)
        return error;
    found = Walk(*found, names, names.size());
    if (!found)
        return ERROR_FILE_NOT_FOUND;
    // A key without a default value reads as an empty string, as on Windows.
    std::string text(1, '\0');
    if (const RegistryValue* value = found->FindValue("")) {
        if (value->m_type != REG_SZ && value->m_type != REG_EXPAND_SZ)
            return ERROR_INVALID_DATA;
        text = value->m_data;
        if (text.empty() || text.back() != '\0')
            text += '\0';
    }
    auto size = static_cast<LONG>(text.size());
    if (!dataSize)
        return ERROR_SUCCESS;
    if (!data || *dataSize < size) {
        bool tooSmall = data != nullptr;
        *dataSize = size;
        return tooSmall ? ERROR_MORE_DATA : ERROR_SUCCESS;
    }
    std::memcpy(data, text.data(), text.size());
    *dataSize = size;
    return ERROR_SUCCESS;
}

LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD)
{
    // Windows takes the length from the text, not from the size argument.
    if (type != REG_SZ || !data)
        return ERROR_INVALID_PARAMETER;
    std::string text = std::string(data) + '\0';
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    Path names;
    LONG error = Lookup(r, key, true, ref);
    if (error == ERROR_SUCCESS)
        error = SplitSubKey(subKey, names);
    if (error != ERROR_SUCCESS)
        return error;
    return Mutate(r, ref.hive, [&](RegistryKey& root, bool& changed) {
        LONG failure = ERROR_SUCCESS;
        RegistryKey* at = FindForWrite(root, ref, true, changed, failure);
        if (!at)
            return failure;
        for (const std::string& name : names) {
            bool created = false;
            at = &at->CreateSubKey(name, &created);
            changed |= created;
        }
        changed |= at->SetValue("", REG_SZ, std::move(text));
        return static_cast<LONG>(ERROR_SUCCESS);
    });
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName)
{
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    if (LONG error = Lookup(r, key, true, ref); error != ERROR_SUCCESS)
        return error;
    return Mutate(r, ref.hive, [&](RegistryKey& root, bool& changed) {
        LONG failure = ERROR_SUCCESS;
        RegistryKey* at = FindForWrite(root, ref, false, changed, failure);
        if (!at)
            return failure;
        changed = at->RemoveValue(valueName ? valueName : "");
        return changed ? static_cast<LONG>(ERROR_SUCCESS) : static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    });
}

namespace {

// Deletes the key `names` below `key`, or `key` itself when `names` is
// empty; with `wholeTree` unset a key that has sub keys is refused.
LONG DeleteKey(HKEY key, LPCSTR subKey, bool wholeTree)
{
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    Path names;
    LONG error = Lookup(r, key, true, ref);
    if (error == ERROR_SUCCESS)
        error = SplitSubKey(subKey, names);
    if (error != ERROR_SUCCESS)
        return error;
    Path full = ref.path;
    full.insert(full.end(), names.begin(), names.end());
    if (full.empty() || (ref.predefined && names.empty()))
        return ERROR_ACCESS_DENIED;
    error = Mutate(r, ref.hive, [&](RegistryKey& root, bool& changed) {
        LONG failure = ERROR_SUCCESS;
        if (!FindForWrite(root, ref, false, changed, failure))
            return failure;
        RegistryKey* parent = Walk(root, full, full.size() - 1);
        RegistryKey* target = parent ? parent->FindSubKey(full.back()) : nullptr;
        if (!target)
            return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        if (!wholeTree && !target->SubKeys().empty())
            return static_cast<LONG>(ERROR_ACCESS_DENIED);
        parent->RemoveSubKey(full.back());
        changed = true;
        return static_cast<LONG>(ERROR_SUCCESS);
    });
    if (error == ERROR_SUCCESS)
        MarkDeleted(r, ref.hive, full, true);
    return error;
}

} // namespace

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    if (!subKey)
        return ERROR_INVALID_PARAMETER;
    return DeleteKey(key, subKey, false);
}

LONG RegDeleteTreeA(HKEY key, LPCSTR subKey)
{
    if (subKey && *subKey)
        return DeleteKey(key, subKey, true);
    // Without a sub key the key stays and loses everything it holds.
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    if (LONG error = Lookup(r, key, true, ref); error != ERROR_SUCCESS)
        return error;
    LONG error = Mutate(r, ref.hive, [&](RegistryKey& root, bool& changed) {
        LONG failure = ERROR_SUCCESS;
        RegistryKey* at = FindForWrite(root, ref, false, changed, failure);
        if (!at)
            return failure;
        changed = !at->SubKeys().empty() || !at->Values().empty();
        at->Clear();
        return static_cast<LONG>(ERROR_SUCCESS);
    });
    if (error == ERROR_SUCCESS)
        MarkDeleted(r, ref.hive, ref.path, false);
    return error;
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR keyClass, LPDWORD classSize,
                   PFILETIME lastWriteTime)
{
    if (!name || !nameSize)
        return ERROR_INVALID_PARAMETER;
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    LONG error = Lookup(r, key, false, ref);
    const RegistryKey* found = error == ERROR_SUCCESS ? FindForRead(r, ref, error) : nullptr;
    if (!found)
        return error;
    const auto& subKeys = found->SubKeys();
    if (index >= subKeys.size())
        return ERROR_NO_MORE_ITEMS;
    if (LONG copied = CopyName(std::next(subKeys.begin(), index)->second->Name(), name, nameSize);
        copied != ERROR_SUCCESS)
        return copied;
    if (keyClass && classSize && *classSize)
        keyClass[0] = '\0';
    if (classSize)
        *classSize = 0;
    if (lastWriteTime)
        *lastWriteTime = r.hives[ref.hive].LastWriteTime();
    return ERROR_SUCCESS;
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize)
{
    return RegEnumKeyExA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize)
{
    if (!name || !nameSize || (data && !dataSize))
        return ERROR_INVALID_PARAMETER;
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    LONG error = Lookup(r, key, false, ref);
    const RegistryKey* found = error == ERROR_SUCCESS ? FindForRead(r, ref, error) : nullptr;
    if (!found)
        return error;
    const auto& values = found->Values();
    if (index >= values.size())
        return ERROR_NO_MORE_ITEMS;
    const RegistryValue& value = values[index];
    if (LONG copied = CopyName(value.m_name, name, nameSize); copied != ERROR_SUCCESS)
        return copied;
    if (type)
        *type = value.m_type;
    return CopyData(value, data, dataSize);
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLength,
                      LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                      LPDWORD securityDescriptor, PFILETIME lastWriteTime)
{
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    KeyRef ref;
    LONG error = Lookup(r, key, false, ref);
    const RegistryKey* found = error == ERROR_SUCCESS ? FindForRead(r, ref, error) : nullptr;
    if (!found)
        return error;
    size_t longestKey = 0, longestName = 0, largestData = 0;
    for (const auto& [folded, sub] : found->SubKeys())
        longestKey = std::max(longestKey, sub->Name().size());
    for (const RegistryValue& value : found->Values()) {
        longestName = std::max(longestName, value.m_name.size());
        largestData = std::max(largestData, value.m_data.size());
    }
    if (keyClass && classSize && *classSize)
        keyClass[0] = '\0';
    if (classSize)
        *classSize = 0;
    if (subKeys)
        *subKeys = static_cast<DWORD>(found->SubKeys().size());
    if (maxSubKeyLength)
        *maxSubKeyLength = static_cast<DWORD>(longestKey);
    if (maxClassLength)
        *maxClassLength = 0;
    if (values)
        *values = static_cast<DWORD>(found->Values().size());
    if (maxValueNameLength)
        *maxValueNameLength = static_cast<DWORD>(longestName);
    if (maxValueLength)
        *maxValueLength = static_cast<DWORD>(largestData);
    if (securityDescriptor)
        *securityDescriptor = 0;
    if (lastWriteTime)
        *lastWriteTime = r.hives[ref.hive].LastWriteTime();
    return ERROR_SUCCESS;
}

namespace win {

std::string RegistryFolder()
{
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    return Folder(r);
}

void RegistryReset()
{
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    r.folder.clear();
    for (HiveFile& hive : r.hives)
        hive.Forget();
}

std::vector<std::string> RegistryDamageReports()
{
    Registry& r = State();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.damageReports;
}

} // namespace win
