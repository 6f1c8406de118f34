#pragma once
// Tokens of the resource source language (Resources/README.md): numbers,
// identifiers, quoted UTF-8 strings, "#define" and punctuation. Comments
// ("// ..." and "/* ... */") and white space separate tokens.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rescomp {

// A source error; the tool reports it as "file:line: error: message".
class CompileError : public std::runtime_error {
public:
    CompileError(const std::string& file, int line, const std::string& message);
    const std::string& File() const { return m_file; }
    int Line() const { return m_line; }
    const std::string& Message() const { return m_message; }

private:
    std::string m_file;
    int m_line;
    std::string m_message;
};

enum class TokenKind { Number, Identifier, String, Define, Punct, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text; // identifier, punctuation, or the string's bytes
    std::int64_t number = 0;
    int line = 0;
};

// Reads a whole source text into tokens; throws CompileError.
std::vector<Token> Tokenize(const std::string& file, const std::string& source);

} // namespace rescomp
