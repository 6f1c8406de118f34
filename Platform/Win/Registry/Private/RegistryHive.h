#pragma once
// One hive of the registry in memory (a tree of keys holding typed values)
// and its text form.
//
// The text form is UTF-8 with "\n" line ends, stable for a given tree so that
// files can be compared and read by people:
//
//   Kestrelon Registry 1
//
//   []                                  values of the hive's root, only when it has some
//   "Name"=sz:"text"
//
//   [Software]                          every key has a section, empty ones included,
//                                       in ascending case-insensitive order, parents
//   [Software\Kestrelon]                before children
//   @=sz:"default value"                @ is the unnamed (default) value
//   "Path"=expand_sz:"%HOME%\\clips"
//   "Count"=dword:0000002a
//   "Big"=qword:000000010000002a
//   "Files"=multi_sz:"a.avi","b.avi"
//   "Blob"=hex:01,ff,00
//   "Odd"=hex(12345678):01,02
//
// Values appear in the order they were first set. sz and expand_sz hold the
// bytes before one final zero; dword and qword hold exactly 4 and 8 bytes,
// written as numbers; multi_sz holds strings each followed by a zero plus
// one more zero. Any other type number, or data that does not fit its type's
// readable form (a string set without its terminator, a DWORD of 3 bytes),
// is written as hex(<type in hex>): with its raw bytes, so every value comes
// back exactly as it was set.
//
// Quoted text escapes \\ \" \n \r \t and writes other control bytes and bytes
// that are not valid UTF-8 as \xHH. In section lines a backslash separates
// key names, so within a name '%', '\', control bytes and bytes that are not
// valid UTF-8 are written as %HH instead. Blank lines and lines starting
// with ';' are ignored when reading.
//
// Whatever ParseHive accepts, FormatHive writes so that it parses to the
// same tree again.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"

namespace win::detail {

struct RegistryValue {
    std::string m_name;
    DWORD m_type = 0;
    std::string m_data;
    bool operator==(const RegistryValue&) const = default;
};

class RegistryKey {
public:
    RegistryKey() = default;
    explicit RegistryKey(std::string name) : m_name(std::move(name)) {}

    const std::string& Name() const { return m_name; }
    // The same names, values in the same order and the same sub keys, all
    // the way down.
    bool operator==(const RegistryKey& other) const;

    RegistryKey* FindSubKey(std::string_view name) const;
    // Returns the existing sub key or a new one named `name`.
    RegistryKey& CreateSubKey(std::string_view name, bool* created = nullptr);
    bool RemoveSubKey(std::string_view name);
    void Clear();
    // In ascending order of their names, ignoring ASCII case.
    const std::map<std::string, std::unique_ptr<RegistryKey>>& SubKeys() const { return m_subKeys; }

    const RegistryValue* FindValue(std::string_view name) const;
    // Replaces the data of an existing value in place, keeping its name's
    // case and its position; returns false when nothing changed.
    bool SetValue(std::string_view name, DWORD type, std::string data);
    bool RemoveValue(std::string_view name);
    // In the order they were first set.
    const std::vector<RegistryValue>& Values() const { return m_values; }

private:
    std::string m_name;
    std::map<std::string, std::unique_ptr<RegistryKey>> m_subKeys; // by folded name
    std::vector<RegistryValue> m_values;
};

std::string FoldCase(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The text form of a hive.
std::string FormatHive(const RegistryKey& root);
// Reads the text form into an empty `root`; on failure returns false with a
// line number and reason in `error`.
bool ParseHive(std::string_view text, RegistryKey& root, std::string& error);

} // namespace win::detail
