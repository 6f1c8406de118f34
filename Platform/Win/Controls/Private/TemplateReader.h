#pragma once
// The reader of the resource templates (dialogs, menus): little-endian
// fields, UTF-16 texts and names, each read refused when it would pass the
// end of the bytes.

#include <string>
#include <vector>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Controls/DialogTemplate.h"

namespace win::controls {

class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    bool Word(WORD* out)
    {
        if (m_at + 2 > m_size)
            return false;
        *out = static_cast<WORD>(m_data[m_at] | (m_data[m_at + 1] << 8));
        m_at += 2;
        return true;
    }
    bool Dword(DWORD* out)
    {
        WORD low = 0;
        WORD high = 0;
        if (!Word(&low) || !Word(&high))
            return false;
        *out = static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
        return true;
    }
    bool Short(short* out)
    {
        WORD value = 0;
        if (!Word(&value))
            return false;
        *out = static_cast<short>(value);
        return true;
    }
    bool Byte(BYTE* out)
    {
        if (m_at + 1 > m_size)
            return false;
        *out = m_data[m_at++];
        return true;
    }
    // A zero-terminated UTF-16 text.
    bool Text(std::string* out)
    {
        std::u16string units;
        for (;;) {
            WORD unit = 0;
            if (!Word(&unit))
                return false;
            if (!unit)
                break;
            units.push_back(static_cast<char16_t>(unit));
        }
        *out = Utf16ToUtf8(units);
        return true;
    }
    // 0x0000 (none), 0xFFFF and an ordinal, or a text.
    bool Name(TemplateName* out)
    {
        WORD first = 0;
        if (!Word(&first))
            return false;
        if (first == 0xFFFF) {
            out->isOrdinal = true;
            return Word(&out->ordinal);
        }
        if (first == 0)
            return true;
        m_at -= 2;
        return Text(&out->text);
    }
    bool Bytes(size_t count, std::vector<BYTE>* out)
    {
        if (count > m_size - m_at)
            return false;
        out->assign(m_data + m_at, m_data + m_at + count);
        m_at += count;
        return true;
    }
    bool Skip(size_t bytes)
    {
        if (bytes > m_size - m_at)
            return false;
        m_at += bytes;
        return true;
    }
    bool AlignDword()
    {
        m_at = (m_at + 3) & ~static_cast<size_t>(3);
        return m_at <= m_size;
    }
    size_t Position() const { return m_at; }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_at = 0;
};

} // namespace win::controls
