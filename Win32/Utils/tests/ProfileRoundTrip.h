#pragma once
// The round trip of a loaded profile: what Load read, Save writes so that
// Load reads it back the same. Used by the ordinary tests and by the
// profile's fuzz target.

#include <string>

#include "Win32/Utils/Profile.h"

namespace profile_test {

// An entry comment as the writer writes it: one line, from its first
// character after the blank that follows ';'.
inline std::string CommentText(std::string comment)
{
    while (!comment.empty() && (comment.back() == '\n' || comment.back() == '\r'))
        comment.pop_back();
    for (char& c : comment)
        if (c == '\n' || c == '\r')
            c = ' ';
    if (!comment.empty() && (comment[0] == ' ' || comment[0] == '\t'))
        comment.erase(0, 1);
    return comment;
}

// Empty when the two profiles hold the same; otherwise what differs first.
inline std::string Difference(const CProfile& a, const CProfile& b)
{
    if (std::string(a.GetHeader()) != b.GetHeader())
        return "header";
    const CProfileSection* x = a.GetFirstSection();
    const CProfileSection* y = b.GetFirstSection();
    for (; x && y; x = x->m_pNext, y = y->m_pNext) {
        if (x->m_strName != y->m_strName)
            return "section name " + x->m_strName;
        if (x->m_strComment != y->m_strComment)
            return "comment of section " + x->m_strName;
        const CProfileEntry* e = x->m_pFirstEntry;
        const CProfileEntry* f = y->m_pFirstEntry;
        for (; e && f; e = e->m_pNext, f = f->m_pNext) {
            if (e->m_strName != f->m_strName)
                return "entry name " + e->m_strName;
            if (e->m_strValue != f->m_strValue)
                return "value of " + e->m_strName;
            if (CommentText(e->m_strComment) != CommentText(f->m_strComment))
                return "comment of " + e->m_strName;
        }
        if (e || f)
            return "entries of section " + x->m_strName;
    }
    return x || y ? "sections" : "";
}

} // namespace profile_test
