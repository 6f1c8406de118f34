#include "Resources/Compiler/ModuleWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "Platform/Win/Kernel/ResourceFormat.h"

namespace rescomp {

namespace {

std::uint32_t NameField(const ResId& id, ByteWriter& pool, std::map<std::string, std::uint32_t>& offsets)
{
    if (!id.named)
        return id.ordinal;
    auto it = offsets.find(id.name);
    if (it == offsets.end()) {
        it = offsets.emplace(id.name, static_cast<std::uint32_t>(pool.Size())).first;
        pool.Bytes(reinterpret_cast<const std::uint8_t*>(id.name.c_str()), id.name.size() + 1);
    }
    return win::resfile::kNamed | it->second;
}

} // namespace

bool WriteModule(const ResourceSet& resources, const std::string& path, std::string& error)
{
    namespace rf = win::resfile;
    const auto& all = resources.All();
    ByteWriter pool;
    std::map<std::string, std::uint32_t> offsets;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> fields;
    for (const auto& [key, data] : all)
        fields.emplace_back(NameField(key.first, pool, offsets), NameField(key.second, pool, offsets));

    const size_t poolOffset = rf::kHeaderSize + rf::kEntrySize * all.size();
    size_t dataOffset = (poolOffset + pool.Size() + 3) & ~size_t(3);
    ByteWriter file;
    file.Bytes(reinterpret_cast<const std::uint8_t*>(rf::kMagic), 4);
    file.U32(rf::kVersion);
    file.U32(static_cast<std::uint32_t>(all.size()));
    file.U32(static_cast<std::uint32_t>(poolOffset));
    file.U32(static_cast<std::uint32_t>(pool.Size()));
    size_t index = 0;
    for (const auto& [key, data] : all) {
        file.U32(fields[index].first);
        file.U32(fields[index].second);
        file.U32(0);
        file.U32(static_cast<std::uint32_t>(dataOffset));
        file.U32(static_cast<std::uint32_t>(data.size()));
        file.U32(0);
        dataOffset = (dataOffset + data.size() + 3) & ~size_t(3);
        ++index;
    }
    file.Bytes(pool.Data().data(), pool.Size());
    for (const auto& [key, data] : all) {
        file.Align4();
        file.Bytes(data.data(), data.size());
    }
    if (file.Size() > rf::kMaxFileSize) {
        error = "the module would be larger than the loader accepts";
        return false;
    }

    std::string temporary = path + ".part";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (!out) {
        error = "cannot create " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(file.Data().data(), 1, file.Size(), out) == file.Size();
    written = std::fclose(out) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace rescomp
