#pragma once
// The round trip of a loaded profile: what Load read, Save writes so that
// Load reads back the same header, sections and entries; and a reading of
// everything a profile holds. Used by the ordinary tests and by the
// profile's fuzz targets.
//
// Sections, entries, names and values come back exactly. Comments come back
// with the same lines of text, but not always with the same blank lines,
// blanks around the text or ';' at its start: the format cannot tell a ';'
// that a caller wrote (header and section comments are written as given)
// from one that is part of the text of a comment read from a file.

#include <string>
#include <vector>

#include "Win32/Utils/Profile.h"

namespace profile_test {

// The lines of text of a comment, without blank lines and without the
// blanks and ';' around their text.
inline std::vector<std::string> CommentLines(const std::string& comment)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= comment.size()) {
        size_t end = comment.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = comment.size();
        std::string line = comment.substr(start, end - start);
        const size_t first = line.find_first_not_of("; \t\f\v");
        if (first != std::string::npos) {
            line.erase(0, first);
            line.erase(line.find_last_not_of(" \t\f\v") + 1);
            lines.push_back(line);
        }
        start = end + 1;
    }
    return lines;
}

// An entry comment as the writer writes it: one line, from its first
// character after the blank that follows ';', without blanks at its end.
inline std::string EntryCommentText(std::string comment)
{
    for (char& c : comment)
        if (c == '\n' || c == '\r')
            c = ' ';
    comment.erase(comment.find_last_not_of(" \t\f\v") + 1);
    if (!comment.empty() && (comment[0] == ' ' || comment[0] == '\t'))
        comment.erase(0, 1);
    return comment;
}

// Reads everything a loaded profile holds through every getter.
inline void ReadEverything(const CProfile& profile)
{
    for (const CProfileSection* section = profile.GetFirstSection(); section; section = section->m_pNext) {
        const char* name = section->m_strName.c_str();
        for (const CProfileEntry* entry = section->m_pFirstEntry; entry; entry = entry->m_pNext) {
            const char* key = entry->m_strName.c_str();
            delete[] profile.GetString(name, key);
            (void)profile.GetInt(name, key);
            (void)profile.GetHex(name, key);
            (void)profile.GetUnsigned(name, key);
            (void)profile.GetDouble(name, key);
            (void)profile.GetMediaTime(name, key);
            (void)profile.GetPoint(name, key);
            LOGFONTW font{};
            (void)profile.GetLogFont(name, key, font);
        }
    }
}

// Empty when the two profiles hold the same; otherwise what differs first.
inline std::string Difference(const CProfile& a, const CProfile& b)
{
    if (CommentLines(a.GetHeader()) != CommentLines(b.GetHeader()))
        return "header";
    const CProfileSection* x = a.GetFirstSection();
    const CProfileSection* y = b.GetFirstSection();
    for (; x && y; x = x->m_pNext, y = y->m_pNext) {
        if (x->m_strName != y->m_strName)
            return "section name " + x->m_strName;
        if (CommentLines(x->m_strComment) != CommentLines(y->m_strComment))
            return "comment of section " + x->m_strName;
        const CProfileEntry* e = x->m_pFirstEntry;
        const CProfileEntry* f = y->m_pFirstEntry;
        for (; e && f; e = e->m_pNext, f = f->m_pNext) {
            if (e->m_strName != f->m_strName)
                return "entry name " + e->m_strName;
            if (e->m_strValue != f->m_strValue)
                return "value of " + e->m_strName;
            if (EntryCommentText(e->m_strComment) != EntryCommentText(f->m_strComment))
                return "comment of " + e->m_strName;
        }
        if (e || f)
            return "entries of section " + x->m_strName;
    }
    return x || y ? "sections" : "";
}

} // namespace profile_test
