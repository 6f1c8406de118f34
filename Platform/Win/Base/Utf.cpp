#include "Platform/Win/Base/Utf.h"

#include <cstring>

namespace win {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsScalarValue(char32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

// A lead byte's sequence length and the range its second byte must fall in
// for the sequence to be well-formed; the narrower ranges rule out overlong
// forms (E0, F0), surrogates (ED) and values past U+10FFFF (F4).
struct LeadByte {
    unsigned char first;
    unsigned char last;
    size_t length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

constexpr LeadByte kWellFormedLeads[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x80, 0x9F}, {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

constexpr LeadByte kShapedLeads[] = {
    {0xC0, 0xDF, 2, 0x80, 0xBF},
    {0xE0, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF7, 4, 0x80, 0xBF},
};

template <size_t N>
const LeadByte* FindLead(const LeadByte (&table)[N], unsigned char lead)
{
    for (const LeadByte& entry : table)
        if (lead >= entry.first && lead <= entry.last)
            return &entry;
    return nullptr;
}

} // namespace

size_t Utf8SequenceLength(std::string_view text, Utf8Form form)
{
    if (text.empty())
        return 0;
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    if (byte(0) < 0x80)
        return 1;
    const LeadByte* lead =
        form == Utf8Form::WellFormed ? FindLead(kWellFormedLeads, byte(0)) : FindLead(kShapedLeads, byte(0));
    if (!lead || text.size() < lead->length || byte(1) < lead->secondLow || byte(1) > lead->secondHigh)
        return 0;
    for (size_t i = 2; i < lead->length; ++i)
        if (!IsContinuation(byte(i)))
            return 0;
    return lead->length;
}

bool IsWellFormedUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

bool IsWellFormedUtf16(std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            ++i;
        else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i]))
            return false;
    }
    return true;
}

std::u32string DecodeUtf8(std::string_view text, std::vector<int>* units)
{
    constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = Utf8SequenceLength(text.substr(i));
        char32_t c = kReplacementCharacter;
        if (length > 0) {
            c = static_cast<unsigned char>(text[i]) & kLeadBits[length];
            for (size_t k = 1; k < length; ++k)
                c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        } else {
            length = 1;
        }
        out.push_back(c);
        if (units)
            units->push_back(static_cast<int>(length));
        i += length;
    }
    return out;
}

std::u32string DecodeUtf16(std::u16string_view text, std::vector<int>* units)
{
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c = text[i];
        int length = 1;
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            length = 2;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacementCharacter;
        }
        out.push_back(c);
        if (units)
            units->push_back(length);
        i += static_cast<size_t>(length);
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (!IsScalarValue(c))
        c = kReplacementCharacter;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t c)
{
    if (!IsScalarValue(c))
        c = kReplacementCharacter;
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
}

std::string EncodeUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        AppendUtf8(out, c);
    return out;
}

std::u16string EncodeUtf16(std::u32string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char32_t c : text)
        AppendUtf16(out, c);
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) { return EncodeUtf16(DecodeUtf8(text)); }

std::string Utf16ToUtf8(std::u16string_view text) { return EncodeUtf8(DecodeUtf16(text)); }

namespace {

// Bytes 0x80..0x9F of Windows-1252; the rest are Latin-1.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Windows1252Character(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : static_cast<char16_t>(byte);
}

} // namespace

std::u16string Windows1252ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(Windows1252Character(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf16ToWindows1252(std::u16string_view text, bool* usedDefault)
{
    std::string out;
    out.reserve(text.size());
    bool defaulted = false;
    for (char16_t c : text) {
        int byte = -1;
        for (int b = 0; b < 256 && byte < 0; ++b) {
            if (Windows1252Character(static_cast<unsigned char>(b)) == c)
                byte = b;
        }
        if (byte < 0) {
            defaulted = true;
            byte = '?';
        }
        out.push_back(static_cast<char>(byte));
    }
    if (usedDefault != nullptr)
        *usedDefault = defaulted;
    return out;
}

size_t Utf8CutLength(std::string_view text, size_t maxBytes)
{
    if (maxBytes >= text.size())
        return text.size();
    size_t length = maxBytes;
    while (length > 0 && IsContinuation(static_cast<unsigned char>(text[length])))
        --length;
    return length;
}

size_t CopyUtf8Cut(std::string_view text, char* buffer, size_t size)
{
    if (!buffer || size == 0)
        return 0;
    const size_t count = Utf8CutLength(text, size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return count;
}

size_t Utf8PrefixLength(std::string_view text, size_t characters)
{
    size_t started = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (!IsContinuation(static_cast<unsigned char>(text[i])) && ++started > characters)
            return i;
    return text.size();
}

} // namespace win
