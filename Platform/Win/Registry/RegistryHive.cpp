#include "Platform/Win/Registry/Private/RegistryHive.h"

#include <algorithm>
#include <cstdio>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Registry/Registry.h"

namespace win::detail {

namespace {

constexpr std::string_view kFirstLine = "Kestrelon Registry 1";

char FoldChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendHexByte(std::string& out, std::string_view prefix, unsigned char value)
{
    static const char kDigits[] = "0123456789abcdef";
    out += prefix;
    out += kDigits[value >> 4];
    out += kDigits[value & 15];
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = FoldChar(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string QuoteText(std::string_view text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        auto u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (size_t length = Utf8SequenceLength(text.substr(i)); length > 1) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        } else if (length == 0 || u < 0x20 || u == 0x7F)
            AppendHexByte(out, "\\x", u);
        else
            out += c;
        ++i;
    }
    out += '"';
    return out;
}

std::string EscapeKeyName(std::string_view name)
{
    std::string out;
    for (size_t i = 0; i < name.size();) {
        auto u = static_cast<unsigned char>(name[i]);
        size_t length = Utf8SequenceLength(name.substr(i));
        if (u == '%' || u == '\\' || u < 0x20 || u == 0x7F || length == 0) {
            AppendHexByte(out, "%", u);
            ++i;
        } else {
            out.append(name.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string HexBytes(std::string_view data)
{
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i)
            out += ',';
        AppendHexByte(out, {}, static_cast<unsigned char>(data[i]));
    }
    return out;
}

std::string HexNumber(ULONGLONG value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*llx", digits, static_cast<unsigned long long>(value));
    return text;
}

ULONGLONG LittleEndian(std::string_view data)
{
    ULONGLONG value = 0;
    for (size_t i = data.size(); i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

// The strings of a well-formed multi-string (each followed by a zero, then
// one more zero), or false when `data` is not one.
bool SplitMultiString(std::string_view data, std::vector<std::string_view>& parts)
{
    if (data.empty() || data.back() != '\0')
        return false;
    data.remove_suffix(1);
    while (!data.empty()) {
        size_t end = data.find('\0');
        if (end == std::string_view::npos)
            return false;
        parts.push_back(data.substr(0, end));
        data.remove_prefix(end + 1);
    }
    return true;
}

std::string FormatData(const RegistryValue& value)
{
    std::string_view data = value.m_data;
    bool terminated = !data.empty() && data.back() == '\0';
    switch (value.m_type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        if (terminated)
            return (value.m_type == REG_SZ ? "sz:" : "expand_sz:") + QuoteText(data.substr(0, data.size() - 1));
        break;
    case REG_BINARY:
        return "hex:" + HexBytes(data);
    case REG_DWORD:
        if (data.size() == 4)
            return "dword:" + HexNumber(LittleEndian(data), 8);
        break;
    case REG_QWORD:
        if (data.size() == 8)
            return "qword:" + HexNumber(LittleEndian(data), 16);
        break;
    case REG_MULTI_SZ: {
        std::vector<std::string_view> parts;
        if (!SplitMultiString(data, parts))
            break;
        std::string out = "multi_sz:";
        for (size_t i = 0; i < parts.size(); ++i)
            out += (i ? "," : "") + QuoteText(parts[i]);
        return out;
    }
    default:
        break;
    }
    return "hex(" + HexNumber(value.m_type, 1) + "):" + HexBytes(data);
}

void FormatKey(const RegistryKey& key, const std::string& path, std::string& out)
{
    if (!path.empty() || !key.Values().empty()) {
        out += "\n[" + path + "]\n";
        for (const RegistryValue& value : key.Values()) {
            out += value.m_name.empty() ? "@" : QuoteText(value.m_name);
            out += '=' + FormatData(value) + '\n';
        }
    }
    for (const auto& [folded, sub] : key.SubKeys())
        FormatKey(*sub, path.empty() ? EscapeKeyName(sub->Name()) : path + '\\' + EscapeKeyName(sub->Name()), out);
}

// Reads one line's tokens; every method returns false on malformed input
// and leaves a reason in m_error.
class LineReader {
public:
    explicit LineReader(std::string_view line) : m_rest(line) {}

    bool AtEnd() const { return m_rest.empty(); }
    bool Take(std::string_view token)
    {
        if (m_rest.substr(0, token.size()) != token)
            return false;
        m_rest.remove_prefix(token.size());
        return true;
    }
    bool Expect(std::string_view token)
    {
        return Take(token) || Fail("expected '" + std::string(token) + "'");
    }

    bool Quoted(std::string& out)
    {
        if (!Expect("\""))
            return false;
        while (!m_rest.empty()) {
            char c = m_rest.front();
            m_rest.remove_prefix(1);
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                return Fail("control character in quoted text");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_rest.empty())
                break;
            char e = m_rest.front();
            m_rest.remove_prefix(1);
            switch (e) {
            case '\\':
            case '"':
                out += e;
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                int value = HexPair();
                if (value < 0)
                    return Fail("bad \\x escape");
                out += static_cast<char>(value);
                break;
            }
            default:
                return Fail(std::string("unknown escape \\") + e);
            }
        }
        return Fail("unterminated quoted text");
    }

    // One to `maxDigits` hex digits.
    bool Number(ULONGLONG& value, size_t maxDigits)
    {
        size_t count = 0;
        value = 0;
        while (count < m_rest.size() && HexDigit(m_rest[count]) >= 0) {
            value = (value << 4) | static_cast<ULONGLONG>(HexDigit(m_rest[count]));
            ++count;
        }
        if (count == 0 || count > maxDigits)
            return Fail("bad number");
        m_rest.remove_prefix(count);
        return true;
    }

    bool Bytes(std::string& out)
    {
        while (!m_rest.empty()) {
            if (!out.empty() && !Expect(","))
                return false;
            int value = HexPair();
            if (value < 0)
                return Fail("bad hex byte");
            out += static_cast<char>(value);
        }
        return true;
    }

    bool Fail(std::string reason)
    {
        if (m_error.empty())
            m_error = std::move(reason);
        return false;
    }
    const std::string& Error() const { return m_error; }

private:
    int HexPair()
    {
        if (m_rest.size() < 2 || HexDigit(m_rest[0]) < 0 || HexDigit(m_rest[1]) < 0)
            return -1;
        int value = HexDigit(m_rest[0]) * 16 + HexDigit(m_rest[1]);
        m_rest.remove_prefix(2);
        return value;
    }

    std::string_view m_rest;
    std::string m_error;
};

std::string NumberBytes(ULONGLONG value, size_t size)
{
    std::string out;
    for (size_t i = 0; i < size; ++i, value >>= 8)
        out += static_cast<char>(value & 0xFF);
    return out;
}

bool ParseData(LineReader& in, RegistryValue& value)
{
    ULONGLONG number = 0;
    bool ok = true;
    if (bool expand = in.Take("expand_sz:"); expand || in.Take("sz:")) {
        value.m_type = expand ? REG_EXPAND_SZ : REG_SZ;
        ok = in.Quoted(value.m_data);
        value.m_data += '\0';
    } else if (in.Take("dword:")) {
        value.m_type = REG_DWORD;
        ok = in.Number(number, 8);
        value.m_data = NumberBytes(number, 4);
    } else if (in.Take("qword:")) {
        value.m_type = REG_QWORD;
        ok = in.Number(number, 16);
        value.m_data = NumberBytes(number, 8);
    } else if (in.Take("multi_sz:")) {
        value.m_type = REG_MULTI_SZ;
        while (ok && !in.AtEnd()) {
            std::string part;
            ok = (value.m_data.empty() || in.Expect(",")) && in.Quoted(part);
            value.m_data += part + '\0';
        }
        value.m_data += '\0';
    } else if (in.Take("hex:")) {
        value.m_type = REG_BINARY;
        ok = in.Bytes(value.m_data);
    } else if (in.Take("hex(")) {
        ok = in.Number(number, 8) && in.Expect("):") && in.Bytes(value.m_data);
        value.m_type = static_cast<DWORD>(number);
    } else
        ok = in.Fail("unknown value type");
    return ok && (in.AtEnd() || in.Fail("unexpected text after the value"));
}

bool ParseValueLine(std::string_view line, RegistryValue& value, std::string& error)
{
    LineReader in(line);
    bool named = !in.Take("@");
    bool ok = (!named || (in.Quoted(value.m_name) && (!value.m_name.empty() || in.Fail("empty value name; use @")))) &&
              in.Expect("=") && ParseData(in, value);
    if (!ok)
        error = in.Error();
    return ok;
}

bool ParseKeyPath(std::string_view path, std::vector<std::string>& names, std::string& error)
{
    if (path.empty())
        return true;
    std::string name;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            if (name.empty()) {
                error = "empty key name";
                return false;
            }
            names.push_back(std::move(name));
            name.clear();
        } else if (path[i] == '%') {
            if (i + 2 >= path.size() || HexDigit(path[i + 1]) < 0 || HexDigit(path[i + 2]) < 0) {
                error = "bad % escape in key name";
                return false;
            }
            name += static_cast<char>(HexDigit(path[i + 1]) * 16 + HexDigit(path[i + 2]));
            i += 2;
        } else if (static_cast<unsigned char>(path[i]) < 0x20) {
            error = "control character in key name";
            return false;
        } else
            name += path[i];
    }
    return true;
}

} // namespace

std::string FoldCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = FoldChar(c);
    return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldChar(x) == FoldChar(y); });
}

bool RegistryKey::operator==(const RegistryKey& other) const
{
    return m_name == other.m_name && m_values == other.m_values &&
           std::equal(m_subKeys.begin(), m_subKeys.end(), other.m_subKeys.begin(), other.m_subKeys.end(),
                      [](const auto& a, const auto& b) { return a.first == b.first && *a.second == *b.second; });
}

RegistryKey* RegistryKey::FindSubKey(std::string_view name) const
{
    auto it = m_subKeys.find(FoldCase(name));
    return it == m_subKeys.end() ? nullptr : it->second.get();
}

RegistryKey& RegistryKey::CreateSubKey(std::string_view name, bool* created)
{
    auto [it, inserted] = m_subKeys.try_emplace(FoldCase(name));
    if (inserted)
        it->second = std::make_unique<RegistryKey>(std::string(name));
    if (created)
        *created = inserted;
    return *it->second;
}

bool RegistryKey::RemoveSubKey(std::string_view name) { return m_subKeys.erase(FoldCase(name)) > 0; }

void RegistryKey::Clear()
{
    m_subKeys.clear();
    m_values.clear();
}

const RegistryValue* RegistryKey::FindValue(std::string_view name) const
{
    for (const RegistryValue& value : m_values)
        if (EqualsIgnoringCase(value.m_name, name))
            return &value;
    return nullptr;
}

bool RegistryKey::SetValue(std::string_view name, DWORD type, std::string data)
{
    for (RegistryValue& value : m_values) {
        if (!EqualsIgnoringCase(value.m_name, name))
            continue;
        if (value.m_type == type && value.m_data == data)
            return false;
        value.m_type = type;
        value.m_data = std::move(data);
        return true;
    }
    m_values.push_back(RegistryValue{std::string(name), type, std::move(data)});
    return true;
}

bool RegistryKey::RemoveValue(std::string_view name)
{
    auto it = std::find_if(m_values.begin(), m_values.end(),
                           [&](const RegistryValue& value) { return EqualsIgnoringCase(value.m_name, name); });
    if (it == m_values.end())
        return false;
    m_values.erase(it);
    return true;
}

std::string FormatHive(const RegistryKey& root)
{
    std::string out(kFirstLine);
    out += '\n';
    FormatKey(root, {}, out);
    return out;
}

bool ParseHive(std::string_view text, RegistryKey& root, std::string& error)
{
    RegistryKey* current = nullptr;
    size_t lineNumber = 0;
    auto fail = [&](const std::string& reason) {
        error = "line " + std::to_string(lineNumber) + ": " + reason;
        return false;
    };
    while (!text.empty()) {
        ++lineNumber;
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (lineNumber == 1) {
            if (line != kFirstLine)
                return fail("not a Kestrelon registry file");
            continue;
        }
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty() || line.front() == ';')
            continue;
        std::string reason;
        if (line.front() == '[') {
            std::vector<std::string> names;
            if (line.back() != ']')
                return fail("section line without ']'");
            if (!ParseKeyPath(line.substr(1, line.size() - 2), names, reason))
                return fail(reason);
            current = &root;
            for (const std::string& name : names)
                current = &current->CreateSubKey(name);
            continue;
        }
        if (!current)
            return fail("value outside a section");
        RegistryValue value;
        if (!ParseValueLine(line, value, reason))
            return fail(reason);
        current->SetValue(value.m_name, value.m_type, std::move(value.m_data));
    }
    if (lineNumber == 0)
        return fail("empty file");
    return true;
}

} // namespace win::detail
