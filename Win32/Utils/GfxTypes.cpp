#include "Win32/Utils/GfxTypes.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Platform/Win/Kernel/Crt.h"

namespace {

// A longest text that still leaves room for the terminator and the growth
// rule's arithmetic in a 32-bit capacity.
constexpr size_t kMaxLength = INT_MAX - 64;

LONG ClampExtent(LONGLONG extent)
{
    if (extent <= 0)
        return 0;
    return extent > INT32_MAX ? INT32_MAX : static_cast<LONG>(extent);
}

} // namespace

CGfxString::CGfxString(LPCSTR text)
{
    Assign(text);
}

CGfxString::CGfxString(const CGfxString& other)
{
    if (other.m_pData && other.m_nLength > 0)
        Store(other.m_pData, other.m_nLength);
}

CGfxString& CGfxString::operator=(const CGfxString& other)
{
    if (this == &other)
        return *this;
    if (!other.m_pData || other.m_nLength == 0) {
        m_nLength = 0;
        if (m_pData)
            m_pData[0] = '\0';
        return *this;
    }
    Store(other.m_pData, other.m_nLength);
    return *this;
}

CGfxString::~CGfxString()
{
    Free();
}

BOOL CGfxString::Assign(LPCSTR text)
{
    if (!text)
        return TRUE;
    size_t length = strlen(text);
    if (length > kMaxLength) {
        Free();
        return FALSE;
    }
    return Store(text, static_cast<INT>(length));
}

INT CGfxString::ComputeCapacity(INT n)
{
    LONGLONG c = m_nGrowStart;
    if (c < n) {
        LONGLONG steps = (static_cast<LONGLONG>(n) - c + m_nGrowStep - 1) / m_nGrowStep;
        c += steps * m_nGrowStep;
    }
    if (c == n)
        ++c;
    m_nCapacity = static_cast<INT>(c * m_nElementSize);
    return m_nCapacity;
}

BOOL CGfxString::IsEqual(const CGfxString& other) const
{
    if (IsEmpty() && other.IsEmpty())
        return TRUE;
    const auto* a = reinterpret_cast<const unsigned char*>(GetString());
    const auto* b = reinterpret_cast<const unsigned char*>(other.GetString());
    return (m_bCaseSensitive ? _mbscmp(a, b) : _mbsicmp(a, b)) == 0;
}

BOOL CGfxString::Store(const char* text, INT length)
{
    if (static_cast<LONGLONG>(m_nCapacity) - static_cast<LONGLONG>(length) * m_nElementSize < m_nElementSize) {
        Free();
        INT capacity = ComputeCapacity(length);
        m_pData = static_cast<char*>(malloc(static_cast<size_t>(capacity)));
        if (!m_pData) {
            m_nCapacity = 0;
            return FALSE;
        }
    }
    // The text may lie inside this string's own buffer.
    memmove(m_pData, text, static_cast<size_t>(length));
    m_pData[length] = '\0';
    m_nLength = length;
    return TRUE;
}

void CGfxString::Free()
{
    free(m_pData);
    m_pData = nullptr;
    m_nLength = 0;
    m_nCapacity = 0;
}

LONG CGfxRect::Width() const
{
    return ClampExtent(static_cast<LONGLONG>(right) - left + 1);
}

LONG CGfxRect::Height() const
{
    return ClampExtent(static_cast<LONGLONG>(bottom) - top + 1);
}

BOOL CGfxRect::IsEmpty() const
{
    return Width() == 0 || Height() == 0;
}

BOOL CGfxRect::Contains(const CGfxPoint& point) const
{
    return left <= point.x && point.x <= right && top <= point.y && point.y <= bottom;
}

CGfxRect CGfxRect::Intersect(const CGfxRect& other) const
{
    if (IsEmpty() || other.IsEmpty())
        return CGfxRect();
    CGfxRect common(std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                    std::min(bottom, other.bottom));
    if (common.right < common.left || common.bottom < common.top)
        return CGfxRect();
    return common;
}
