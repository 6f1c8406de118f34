#pragma once
// Reads resource source files (Resources/README.md) into a ResourceSet.
// Symbols made with #define are shared by every file of one module.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Resources/Compiler/Encoders.h"
#include "Resources/Compiler/Lexer.h"
#include "Resources/Compiler/ResourceSet.h"

namespace rescomp {

class Parser {
public:
    explicit Parser(ResourceSet& resources) : m_resources(resources) {}

    // Throws CompileError for any mistake in the source or a file it names.
    void ParseFile(const std::string& path);
    // Files named in `text` are looked for relative to `folder`.
    void ParseText(const std::string& file, const std::string& text, const std::string& folder);
    // Called once every file is read: the string tables of all files become
    // their blocks.
    void Finish();

private:
    [[noreturn]] void Fail(const std::string& message) const;
    [[noreturn]] void FailAt(const Token& token, const std::string& message) const;
    const Token& Peek(size_t ahead = 0) const;
    Token Next();
    bool AtPunct(char c) const;
    bool AtWord(const char* word) const;
    void ExpectPunct(char c);
    bool SkipComma();
    void SkipLoadOptions();
    void ExpectBegin();
    bool AtEnd() const;

    std::int64_t Expression();
    std::int64_t Unary();
    std::int64_t Primary();
    std::int64_t Ranged(std::int64_t low, std::int64_t high, const char* what);
    std::uint32_t Style(std::uint32_t initial);
    std::string Text();
    std::u16string Utf16(const std::string& text);
    ResId ResourceName();
    NameOrOrdinal TextOrOrdinal();

    void Define();
    void StringTable();
    void Dialog(const ResId& name, bool extended);
    void Control(DialogTemplate& dialog);
    void Menu(const ResId& name);
    std::vector<MenuItem> MenuItems();
    void Accelerators(const ResId& name);
    void FromFile(const ResId& name, const ResId& type, const std::string& keyword);
    void Add(const ResId& type, const ResId& name, std::vector<std::uint8_t> data);

    ResourceSet& m_resources;
    std::map<std::string, std::int64_t> m_defines;
    std::map<std::uint16_t, std::u16string> m_strings;
    std::string m_file;
    std::string m_folder;
    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    Token m_statement; // the first token of the statement being read
};

} // namespace rescomp
