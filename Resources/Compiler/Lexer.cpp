#include "Resources/Compiler/Lexer.h"

#include <cctype>

namespace rescomp {

CompileError::CompileError(const std::string& file, int line, const std::string& message)
    : std::runtime_error(file + ":" + std::to_string(line) + ": error: " + message), m_file(file), m_line(line),
      m_message(message)
{
}

namespace {

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Lexer {
public:
    Lexer(const std::string& file, const std::string& source) : m_file(file), m_src(source) {}

    std::vector<Token> Run()
    {
        std::vector<Token> tokens;
        for (;;) {
            SkipBlanksAndComments();
            Token token;
            token.line = m_line;
            if (m_pos >= m_src.size()) {
                tokens.push_back(token);
                return tokens;
            }
            char c = m_src[m_pos];
            if (c == '"')
                ReadString(token);
            else if (std::isdigit(static_cast<unsigned char>(c)))
                ReadNumber(token);
            else if (IsIdentStart(c))
                ReadIdentifier(token);
            else if (c == '#')
                ReadDirective(token);
            else if (std::string(",|{}()-+~").find(c) != std::string::npos) {
                token.kind = TokenKind::Punct;
                token.text = std::string(1, c);
                ++m_pos;
            } else {
                Fail("unexpected character '" + std::string(1, c) + "'");
            }
            tokens.push_back(std::move(token));
        }
    }

private:
    [[noreturn]] void Fail(const std::string& message) const { throw CompileError(m_file, m_line, message); }

    void SkipBlanksAndComments()
    {
        while (m_pos < m_src.size()) {
            char c = m_src[m_pos];
            if (c == '\n') {
                ++m_line;
                ++m_pos;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++m_pos;
            } else if (m_src.compare(m_pos, 2, "//") == 0) {
                while (m_pos < m_src.size() && m_src[m_pos] != '\n')
                    ++m_pos;
            } else if (m_src.compare(m_pos, 2, "/*") == 0) {
                int startLine = m_line;
                size_t end = m_src.find("*/", m_pos + 2);
                if (end == std::string::npos)
                    throw CompileError(m_file, startLine, "comment is not closed");
                for (size_t i = m_pos; i < end; ++i)
                    if (m_src[i] == '\n')
                        ++m_line;
                m_pos = end + 2;
            } else {
                return;
            }
        }
    }

    void ReadString(Token& token)
    {
        token.kind = TokenKind::String;
        ++m_pos;
        for (;;) {
            if (m_pos >= m_src.size() || m_src[m_pos] == '\n')
                Fail("string is not closed on its line");
            char c = m_src[m_pos++];
            if (c == '"')
                return;
            if (c != '\\') {
                token.text += c;
                continue;
            }
            if (m_pos >= m_src.size())
                Fail("string is not closed on its line");
            char e = m_src[m_pos++];
            switch (e) {
            case 'n': token.text += '\n'; break;
            case 'r': token.text += '\r'; break;
            case 't': token.text += '\t'; break;
            case '0': token.text += '\0'; break;
            case '\\': token.text += '\\'; break;
            case '"': token.text += '"'; break;
            case 'x': {
                int hi = m_pos < m_src.size() ? HexValue(m_src[m_pos]) : -1;
                int lo = m_pos + 1 < m_src.size() ? HexValue(m_src[m_pos + 1]) : -1;
                if (hi < 0 || lo < 0)
                    Fail("\\x needs two hexadecimal digits");
                token.text += static_cast<char>(hi * 16 + lo);
                m_pos += 2;
                break;
            }
            default:
                Fail("unknown escape \\" + std::string(1, e));
            }
        }
    }

    void ReadNumber(Token& token)
    {
        token.kind = TokenKind::Number;
        std::uint64_t value = 0;
        bool hex = m_src.compare(m_pos, 2, "0x") == 0 || m_src.compare(m_pos, 2, "0X") == 0;
        if (hex) {
            m_pos += 2;
            if (m_pos >= m_src.size() || HexValue(m_src[m_pos]) < 0)
                Fail("hexadecimal number without digits");
        }
        size_t start = m_pos;
        while (m_pos < m_src.size()) {
            int digit = hex ? HexValue(m_src[m_pos])
                            : (std::isdigit(static_cast<unsigned char>(m_src[m_pos])) ? m_src[m_pos] - '0' : -1);
            if (digit < 0)
                break;
            value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFull)
                Fail("number does not fit in 32 bits");
            ++m_pos;
        }
        // RC sources write long and unsigned suffixes; they change nothing here.
        while (m_pos < m_src.size() && std::string("lLuU").find(m_src[m_pos]) != std::string::npos)
            ++m_pos;
        if (m_pos < m_src.size() && IsIdentChar(m_src[m_pos]))
            Fail("malformed number '" + m_src.substr(start, m_pos - start + 1) + "'");
        token.number = static_cast<std::int64_t>(value);
        token.text = m_src.substr(start, m_pos - start);
    }

    void ReadIdentifier(Token& token)
    {
        token.kind = TokenKind::Identifier;
        size_t start = m_pos;
        while (m_pos < m_src.size() && IsIdentChar(m_src[m_pos]))
            ++m_pos;
        token.text = m_src.substr(start, m_pos - start);
    }

    void ReadDirective(Token& token)
    {
        ++m_pos;
        size_t start = m_pos;
        while (m_pos < m_src.size() && IsIdentChar(m_src[m_pos]))
            ++m_pos;
        std::string word = m_src.substr(start, m_pos - start);
        if (word != "define")
            Fail("unknown directive #" + word);
        token.kind = TokenKind::Define;
        token.text = "#define";
    }

    const std::string& m_file;
    const std::string& m_src;
    size_t m_pos = 0;
    int m_line = 1;
};

} // namespace

std::vector<Token> Tokenize(const std::string& file, const std::string& source)
{
    return Lexer(file, source).Run();
}

} // namespace rescomp
