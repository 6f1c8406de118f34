#pragma once
// The one UTF-8 / UTF-16 codec of the platform: narrow text is UTF-8, wide
// text UTF-16, and every layer converts through these functions.
//
// What cannot be decoded becomes U+FFFD, one replacement for each byte that
// starts no well-formed UTF-8 sequence and for each lone surrogate, so that
// every decoded character maps back to the code units it came from. What
// cannot be encoded (a surrogate or a value past U+10FFFF) is written as
// U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace win {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// How strictly a UTF-8 sequence is judged.
enum class Utf8Form {
    // The shortest form of a Unicode scalar value: no overlong forms, no
    // surrogates, nothing past U+10FFFF.
    WellFormed,
    // Only the shape: a lead byte 0xC0..0xF7 followed by as many
    // continuation bytes as it announces, whatever value they make.
    Shaped,
};

// The byte count of the sequence of that form at the start of `text`: 1 for
// an ASCII byte, 2 to 4 for a multibyte character, 0 when none starts there
// (a continuation byte, a bad lead, a cut or broken sequence, empty text).
size_t Utf8SequenceLength(std::string_view text, Utf8Form form = Utf8Form::WellFormed);
bool IsWellFormedUtf8(std::string_view text);
// True when every surrogate of `text` is part of a pair.
bool IsWellFormedUtf16(std::u16string_view text);

// `units`, when given, receives each character's code unit count (bytes
// for UTF-8, 1 or 2 for UTF-16), one entry per decoded character.
std::u32string DecodeUtf8(std::string_view text, std::vector<int>* units = nullptr);
std::u32string DecodeUtf16(std::u16string_view text, std::vector<int>* units = nullptr);

void AppendUtf8(std::string& out, char32_t c);
void AppendUtf16(std::u16string& out, char32_t c);
std::string EncodeUtf8(std::u32string_view text);
std::u16string EncodeUtf16(std::u32string_view text);

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Windows-1252, the single-byte code page of older western files: every
// byte is one character (the five bytes the code page leaves unassigned
// map to the C1 controls of the same value, as Windows does). Characters
// the code page lacks are written as '?'.
std::u16string Windows1252ToUtf16(std::string_view text);
std::string Utf16ToWindows1252(std::u16string_view text, bool* usedDefault = nullptr);

// The length of the longest prefix of `text` of at most `maxBytes` bytes that
// does not end inside a sequence: the cut moves back over continuation
// bytes, so a buffer of fixed size never receives half a character.
size_t Utf8CutLength(std::string_view text, size_t maxBytes);
// Copies as much of `text` as fits a buffer of `size` bytes with its
// terminator, cut as Utf8CutLength cuts, and returns the bytes copied; a
// buffer of no bytes is left alone.
size_t CopyUtf8Cut(std::string_view text, char* buffer, size_t size);
// The bytes of the first `characters` characters of `text`, where every byte
// that is not a continuation byte starts a character.
size_t Utf8PrefixLength(std::string_view text, size_t characters);

} // namespace win
