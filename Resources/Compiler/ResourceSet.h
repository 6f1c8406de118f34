#pragma once
// The resources of one module as the compiler collects them: each has a
// type and a name (an ordinal or an upper-case text) and its bytes.

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace rescomp {

struct ResId {
    bool named = false;
    std::uint32_t ordinal = 0;
    std::string name; // upper case, as Windows stores resource names

    static ResId Ordinal(std::uint32_t value) { return ResId{false, value, {}}; }
    static ResId Named(const std::string& text);
    std::string Describe() const;
    bool operator<(const ResId& other) const
    {
        return std::tie(named, ordinal, name) < std::tie(other.named, other.ordinal, other.name);
    }
    bool operator==(const ResId& other) const
    {
        return named == other.named && ordinal == other.ordinal && name == other.name;
    }
};

// Windows' numbers of the standard resource types.
enum : std::uint32_t {
    kRtCursor = 1,
    kRtBitmap = 2,
    kRtIcon = 3,
    kRtMenu = 4,
    kRtDialog = 5,
    kRtString = 6,
    kRtAccelerator = 9,
    kRtRcData = 10,
    kRtGroupCursor = 12,
    kRtGroupIcon = 14,
};

class ResourceSet {
public:
    // False when a resource of that type and name is already there.
    bool Add(const ResId& type, const ResId& name, std::vector<std::uint8_t> data);
    bool Has(const ResId& type, const ResId& name) const;
    // An ordinal not yet used for `type`, for the single images of icons and
    // cursors, which source files never name.
    std::uint32_t FreeOrdinal(std::uint32_t type) const;
    // In (type, name) order, so the same sources always give the same file.
    const std::map<std::pair<ResId, ResId>, std::vector<std::uint8_t>>& All() const { return m_resources; }

private:
    std::map<std::pair<ResId, ResId>, std::vector<std::uint8_t>> m_resources;
};

// Little-endian byte output.
class ByteWriter {
public:
    void U8(std::uint8_t v) { m_bytes.push_back(v); }
    void U16(std::uint16_t v)
    {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v)
    {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void Bytes(const std::uint8_t* data, std::size_t size) { m_bytes.insert(m_bytes.end(), data, data + size); }
    // UTF-16 text and its terminator.
    void WString(const std::u16string& text)
    {
        for (char16_t c : text)
            U16(static_cast<std::uint16_t>(c));
        U16(0);
    }
    void Align4()
    {
        while (m_bytes.size() % 4)
            U8(0);
    }
    void Patch16(std::size_t offset, std::uint16_t v)
    {
        m_bytes[offset] = static_cast<std::uint8_t>(v);
        m_bytes[offset + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    std::size_t Size() const { return m_bytes.size(); }
    std::vector<std::uint8_t>& Data() { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// False when the text is not valid UTF-8.
bool Utf8ToUtf16(const std::string& text, std::u16string& out);

} // namespace rescomp
