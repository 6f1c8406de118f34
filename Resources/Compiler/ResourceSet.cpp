#include "Resources/Compiler/ResourceSet.h"

namespace rescomp {

ResId ResId::Named(const std::string& text)
{
    ResId id;
    id.named = true;
    id.name = text;
    for (char& c : id.name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return id;
}

std::string ResId::Describe() const { return named ? "\"" + name + "\"" : std::to_string(ordinal); }

bool ResourceSet::Add(const ResId& type, const ResId& name, std::vector<std::uint8_t> data)
{
    return m_resources.emplace(std::make_pair(type, name), std::move(data)).second;
}

bool ResourceSet::Has(const ResId& type, const ResId& name) const
{
    return m_resources.count(std::make_pair(type, name)) != 0;
}

std::uint32_t ResourceSet::FreeOrdinal(std::uint32_t type) const
{
    std::uint32_t candidate = 1;
    while (Has(ResId::Ordinal(type), ResId::Ordinal(candidate)))
        ++candidate;
    return candidate;
}

bool Utf8ToUtf16(const std::string& text, std::u16string& out)
{
    out.clear();
    size_t i = 0;
    while (i < text.size()) {
        auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
        unsigned char c = byte(i);
        std::uint32_t cp;
        size_t length;
        if (c < 0x80) {
            cp = c;
            length = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            length = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            length = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            length = 4;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (byte(i + k) & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += length;
    }
    return true;
}

} // namespace rescomp
