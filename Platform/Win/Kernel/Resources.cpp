#include "Platform/Win/Kernel/Resources.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Kernel/ModuleImage.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/ResourceFormat.h"
#include "Platform/Win/Kernel/System.h"

namespace win {

namespace {

namespace rf = resfile;

DWORD ReadU32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}

WORD ReadU16(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// A resource type or name: an ordinal or an upper-case text.
struct ResKey {
    bool named = false;
    DWORD ordinal = 0;
    std::string name;

    bool operator==(const ResKey& other) const
    {
        return named == other.named && (named ? name == other.name : ordinal == other.ordinal);
    }
};

// The key a caller's name or type argument stands for; false for a null or
// empty argument.
bool KeyOf(LPCSTR value, ResKey& key)
{
    if (IS_INTRESOURCE(value)) {
        key.ordinal = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(value));
        return key.ordinal != 0;
    }
    if (value[0] == '#' && value[1] >= '0' && value[1] <= '9') {
        char* end = nullptr;
        unsigned long number = std::strtoul(value + 1, &end, 10);
        if (*end == '\0' && number >= 1 && number <= rf::kMaxOrdinal) {
            key.ordinal = static_cast<DWORD>(number);
            return true;
        }
    }
    if (!*value)
        return false;
    key.named = true;
    key.name = Upper(value);
    return true;
}

struct ResEntry {
    ResKey type;
    ResKey name;
    DWORD offset = 0;
    DWORD size = 0;
};

// A compiled module file, read whole and checked before use.
class ResourceModuleImage : public ModuleImage {
public:
    static std::unique_ptr<ResourceModuleImage> Open(const std::string& path)
    {
        auto image = std::unique_ptr<ResourceModuleImage>(new ResourceModuleImage(path));
        if (!image->Read() || !image->Parse())
            return nullptr;
        return image;
    }

    FARPROC GetProc(const char*) override { return nullptr; }
    std::string Path() const override { return m_path; }

    // Null with `error` set when the module lacks the type or the name.
    const ResEntry* Find(const ResKey& type, const ResKey& name, DWORD& error) const
    {
        bool typeSeen = false;
        for (const ResEntry& entry : m_entries) {
            if (!(entry.type == type))
                continue;
            typeSeen = true;
            if (entry.name == name)
                return &entry;
        }
        error = typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
        return nullptr;
    }

    const ResEntry* Owned(HRSRC resource) const
    {
        auto* entry = reinterpret_cast<const ResEntry*>(resource);
        std::less<const ResEntry*> before;
        if (m_entries.empty() || before(entry, m_entries.data()) || !before(entry, m_entries.data() + m_entries.size()))
            return nullptr;
        return entry;
    }

    const BYTE* Data(const ResEntry& entry) const { return m_file.data() + entry.offset; }
    // The entry whose data holds `address`, or null.
    const ResEntry* EntryHolding(const BYTE* address) const
    {
        for (const ResEntry& entry : m_entries) {
            const BYTE* start = Data(entry);
            if (address >= start && address < start + entry.size)
                return &entry;
        }
        return nullptr;
    }

private:
    explicit ResourceModuleImage(std::string path) : m_path(std::move(path)) {}

    bool Read()
    {
        std::FILE* file = std::fopen(m_path.c_str(), "rb");
        if (!file)
            return false;
        BYTE chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            if (m_file.size() + got > rf::kMaxFileSize)
                break;
            m_file.insert(m_file.end(), chunk, chunk + got);
        }
        bool complete = std::feof(file) && !std::ferror(file);
        std::fclose(file);
        return complete;
    }

    bool ParseKey(DWORD field, DWORD poolOffset, DWORD poolSize, ResKey& key) const
    {
        if (!(field & rf::kNamed)) {
            key.ordinal = field;
            return field >= 1 && field <= rf::kMaxOrdinal;
        }
        DWORD at = field & ~rf::kNamed;
        if (at >= poolSize)
            return false;
        const char* text = reinterpret_cast<const char*>(m_file.data() + poolOffset + at);
        const void* end = std::memchr(text, 0, poolSize - at);
        if (!end || end == text)
            return false;
        key.named = true;
        key.name = Upper(text);
        return true;
    }

    bool Parse()
    {
        const size_t size = m_file.size();
        if (size < rf::kHeaderSize || std::memcmp(m_file.data(), rf::kMagic, 4) != 0)
            return false;
        const BYTE* p = m_file.data();
        DWORD version = ReadU32(p + 4), count = ReadU32(p + 8), poolOffset = ReadU32(p + 12),
              poolSize = ReadU32(p + 16);
        if (version != rf::kVersion)
            return false;
        if (static_cast<ULONGLONG>(count) * rf::kEntrySize + rf::kHeaderSize > size)
            return false;
        if (poolOffset > size || poolSize > size - poolOffset)
            return false;
        m_entries.reserve(count);
        for (DWORD i = 0; i < count; ++i) {
            const BYTE* e = p + rf::kHeaderSize + static_cast<size_t>(i) * rf::kEntrySize;
            ResEntry entry;
            if (!ParseKey(ReadU32(e), poolOffset, poolSize, entry.type) ||
                !ParseKey(ReadU32(e + 4), poolOffset, poolSize, entry.name))
                return false;
            entry.offset = ReadU32(e + 12);
            entry.size = ReadU32(e + 16);
            if (entry.offset > size || entry.size > size - entry.offset)
                return false;
            // Callers read the data as the structures of its type; the file
            // is held in a block aligned at least as well.
            if (entry.offset % rf::kDataAlignment != 0)
                return false;
            m_entries.push_back(std::move(entry));
        }
        return true;
    }

    std::string m_path;
    std::vector<BYTE> m_file;
    std::vector<ResEntry> m_entries;
};

struct RegisteredModules {
    std::mutex lock;
    std::vector<std::string> names; // Windows names, in registration order
};

RegisteredModules& Registered()
{
    static RegisteredModules* registered = new RegisteredModules; // never destroyed: exit handlers may still load modules
    return *registered;
}

// The resources a shared library carries: the compiled module file beside
// it with the library's name and the extension ".kres" ("Switcher.so" has
// "Switcher.kres"); null when there is none or it is damaged.
std::unique_ptr<ModuleImage> OpenCompanion(const ModuleImage& library)
{
    std::string path = library.Path();
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (path.empty() || dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return nullptr;
    path.replace(dot, std::string::npos, rf::kExtension);
    return ResourceModuleImage::Open(path);
}

// The image behind a handle (or the resources its library carries), or
// null with the last error set.
ResourceModuleImage* ImageOf(HMODULE module)
{
    if (!module || module == GetModuleHandleA(nullptr)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    ModuleImage* image = ModuleImageOf(module);
    if (!image) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto* resources = dynamic_cast<ResourceModuleImage*>(image);
    if (!resources)
        resources = dynamic_cast<ResourceModuleImage*>(image->Companion(OpenCompanion));
    if (!resources)
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return resources;
}

const ResEntry* FindEntry(HMODULE module, LPCSTR name, LPCSTR type, ResourceModuleImage** owner)
{
    ResourceModuleImage* image = ImageOf(module);
    if (!image)
        return nullptr;
    ResKey typeKey, nameKey;
    if (!type || !KeyOf(type, typeKey)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    if (!name || !KeyOf(name, nameKey)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    DWORD error = 0;
    const ResEntry* entry = image->Find(typeKey, nameKey, error);
    if (!entry) {
        SetLastError(error);
        return nullptr;
    }
    if (owner)
        *owner = image;
    return entry;
}

// The UTF-16 string `id` of a module's string table, or false.
bool FindString(HMODULE module, UINT id, std::u16string& text)
{
    ResourceModuleImage* image = nullptr;
    const ResEntry* block = FindEntry(module, MAKEINTRESOURCEA((id >> 4) + 1), RT_STRING, &image);
    if (!block)
        return false;
    const BYTE* p = image->Data(*block);
    DWORD left = block->size;
    for (UINT slot = 0;; ++slot) {
        if (left < 2)
            break;
        WORD length = ReadU16(p);
        if (static_cast<DWORD>(length) * 2 > left - 2)
            break;
        if (slot == (id & 15)) {
            text.resize(length);
            for (WORD i = 0; i < length; ++i)
                text[i] = static_cast<char16_t>(ReadU16(p + 2 + 2 * i));
            return true;
        }
        p += 2 + 2 * static_cast<size_t>(length);
        left -= 2 + 2 * static_cast<DWORD>(length);
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return false;
}

struct ProgramModule {
    const char* windowsName;
    const char* fileStem;
};

constexpr ProgramModule kProgramModules[] = {
    {"reslang.dll", "reslang"},
    {"ResNoTrans.dll", "ResNoTrans"},
    {"ResBmp.DLL", "ResBmp"},
};

} // namespace

void RegisterProgramResourceModules()
{
    for (const ProgramModule& module : kProgramModules)
        RegisterResourceModule(module.windowsName, std::string(module.fileStem) + rf::kExtension);
}

void RegisterResourceModule(const std::string& windowsName, const std::string& fileName)
{
    {
        RegisteredModules& registered = Registered();
        std::lock_guard<std::mutex> guard(registered.lock);
        bool known = false;
        for (const std::string& name : registered.names)
            known = known || name == windowsName;
        if (!known)
            registered.names.push_back(windowsName);
    }
    RegisterModuleFactory(windowsName, [fileName]() -> std::unique_ptr<ModuleImage> {
        return ResourceModuleImage::Open(ModuleFolder() + fileName);
    });
}

bool IsResourceModule(HMODULE module)
{
    DWORD saved = GetLastError();
    bool result = ImageOf(module) != nullptr;
    SetLastError(saved);
    return result;
}

std::vector<HMODULE> LoadedResourceModules()
{
    std::vector<std::string> names;
    {
        RegisteredModules& registered = Registered();
        std::lock_guard<std::mutex> guard(registered.lock);
        names = registered.names;
    }
    DWORD saved = GetLastError();
    std::vector<HMODULE> modules;
    for (const std::string& name : names) {
        HMODULE module = GetModuleHandleA(name.c_str());
        if (module && IsResourceModule(module))
            modules.push_back(module);
    }
    SetLastError(saved);
    return modules;
}

ResourceBytes FindResourceBytes(HMODULE module, LPCSTR name, LPCSTR type)
{
    ResourceModuleImage* image = nullptr;
    const ResEntry* entry = FindEntry(module, name, type, &image);
    if (!entry)
        return {};
    return ResourceBytes{image->Data(*entry), entry->size};
}

ResourceBytes FindDialogTemplate(HMODULE module, LPCSTR name) { return FindResourceBytes(module, name, RT_DIALOG); }
ResourceBytes FindMenuTemplate(HMODULE module, LPCSTR name) { return FindResourceBytes(module, name, RT_MENU); }
ResourceBytes FindAcceleratorTable(HMODULE module, LPCSTR name)
{
    return FindResourceBytes(module, name, RT_ACCELERATOR);
}
ResourceBytes FindBitmapBits(HMODULE module, LPCSTR name) { return FindResourceBytes(module, name, RT_BITMAP); }

ResourceBytes ResourceHolding(HMODULE module, const void* address)
{
    DWORD saved = GetLastError();
    std::vector<HMODULE> modules{module};
    for (HMODULE loaded : LoadedResourceModules())
        modules.push_back(loaded);
    const auto* p = static_cast<const BYTE*>(address);
    for (HMODULE candidate : modules) {
        ResourceModuleImage* image = candidate ? ImageOf(candidate) : nullptr;
        const ResEntry* entry = image ? image->EntryHolding(p) : nullptr;
        if (entry) {
            SetLastError(saved);
            return ResourceBytes{p, static_cast<DWORD>(image->Data(*entry) + entry->size - p)};
        }
    }
    SetLastError(saved);
    return {};
}

bool LoadStringText(HMODULE module, UINT id, std::string& text)
{
    std::u16string wide;
    if (!FindString(module, id, wide) || wide.empty()) {
        text.clear();
        return false;
    }
    text = Utf16ToUtf8(wide);
    return true;
}

} // namespace win

using namespace win;

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type)
{
    return reinterpret_cast<HRSRC>(const_cast<ResEntry*>(FindEntry(module, name, type, nullptr)));
}

HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD) { return FindResourceA(module, name, type); }

DWORD SizeofResource(HMODULE module, HRSRC resource)
{
    ResourceModuleImage* image = ImageOf(module);
    const ResEntry* entry = image ? image->Owned(resource) : nullptr;
    if (!entry) {
        if (image)
            SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return entry->size;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource)
{
    ResourceModuleImage* image = ImageOf(module);
    const ResEntry* entry = image ? image->Owned(resource) : nullptr;
    if (!entry) {
        if (image)
            SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return const_cast<BYTE*>(image->Data(*entry));
}

LPVOID LockResource(HGLOBAL data) { return data; }

BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size)
{
    if (!buffer || size <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    buffer[0] = '\0';
    std::string text;
    if (!LoadStringText(module, id, text))
        return 0;
    size_t count = text.size();
    if (count >= static_cast<size_t>(size))
        count = Utf8CutLength(text, static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}
