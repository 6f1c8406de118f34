#pragma once
// The small value classes the graphics library and the windowless UI
// elements share. Each has a virtual destructor as its only virtual
// operation, so tagged values (TaggedValue.h) can own them through a base
// pointer.

#include "Platform/Win/Base/WinTypes.h"

// A growable byte string. The buffer, once allocated, always ends with a zero
// byte; it is kept for shorter texts and replaced only when the new text and
// its terminator do not fit.
class CGfxString {
public:
    CGfxString() = default;
    explicit CGfxString(LPCSTR text);
    // Copies the characters only: the copy keeps its own case-sensitive flag
    // (0 for a new string), and an empty source leaves the copy without a
    // buffer.
    CGfxString(const CGfxString& other);
    CGfxString& operator=(const CGfxString& other);
    virtual ~CGfxString();

    // A null text changes nothing. FALSE when the buffer cannot be grown, in
    // which case the string is left empty.
    BOOL Assign(LPCSTR text);
    // The capacity for n characters and a terminator under the growth rule:
    // the growth start (16) for up to 15 characters, then n + 1. Also stores
    // it as the capacity.
    INT ComputeCapacity(INT n);

    // The characters; "" while no buffer exists.
    LPCSTR GetString() const { return m_pData ? m_pData : ""; }
    // The buffer itself, null while nothing was assigned.
    LPCSTR GetData() const { return m_pData; }
    INT GetLength() const { return m_nLength; }
    INT GetCapacity() const { return m_nCapacity; }
    BOOL IsEmpty() const { return m_pData == nullptr || m_nLength == 0; }

    BOOL IsCaseSensitive() const { return m_bCaseSensitive; }
    void SetCaseSensitive(BOOL caseSensitive) { m_bCaseSensitive = caseSensitive ? TRUE : FALSE; }

    // Equal when both are empty; otherwise compared exactly when this
    // string's case-sensitive flag is set, ignoring ASCII case when not.
    BOOL IsEqual(const CGfxString& other) const;

private:
    // Copies `length` characters of `text` into a buffer large enough for
    // them and a terminator, reusing the present one when it fits.
    BOOL Store(const char* text, INT length);
    void Free();

    char* m_pData = nullptr;
    INT m_nLength = 0;
    INT m_nCapacity = 0;
    INT m_nGrowStart = 16;
    INT m_nGrowStep = 1;
    INT m_nElementSize = 1;
    BOOL m_bCaseSensitive = FALSE;
};

// A point of integer coordinates.
class CGfxPoint {
public:
    CGfxPoint() = default;
    CGfxPoint(LONG xValue, LONG yValue) : x(xValue), y(yValue) {}
    CGfxPoint(const CGfxPoint&) = default;
    CGfxPoint& operator=(const CGfxPoint&) = default;
    virtual ~CGfxPoint() = default;

    bool operator==(const CGfxPoint& other) const { return x == other.x && y == other.y; }

    LONG x = 0;
    LONG y = 0;
};

// A width and a height (a bitmap's size is reported as one).
class CGfxSize {
public:
    CGfxSize() = default;
    CGfxSize(LONG width, LONG height) : cx(width), cy(height) {}
    CGfxSize(const CGfxSize&) = default;
    CGfxSize& operator=(const CGfxSize&) = default;
    virtual ~CGfxSize() = default;

    bool operator==(const CGfxSize& other) const { return cx == other.cx && cy == other.cy; }

    LONG cx = 0;
    LONG cy = 0;
};

// A rectangle whose right and bottom edges are inclusive: the width is
// right - left + 1, and GDI calls receive right + 1 and bottom + 1. The
// default (0, 0, -1, -1) is empty; (0, 0, 0, 0) is one pixel.
class CGfxRect {
public:
    CGfxRect() = default;
    CGfxRect(LONG l, LONG t, LONG r, LONG b) : left(l), top(t), right(r), bottom(b) {}
    CGfxRect(const CGfxRect&) = default;
    CGfxRect& operator=(const CGfxRect&) = default;
    virtual ~CGfxRect() = default;

    // right - left + 1 and bottom - top + 1, 0 when negative, and limited to
    // the LONG range for rectangles spanning more than that.
    LONG Width() const;
    LONG Height() const;
    BOOL IsEmpty() const;
    BOOL Contains(const CGfxPoint& point) const;
    // The common part of two non-empty rectangles, or the empty default when
    // either is empty or they do not overlap.
    CGfxRect Intersect(const CGfxRect& other) const;

    bool operator==(const CGfxRect& other) const
    {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }

    LONG left = 0;
    LONG top = 0;
    LONG right = -1;
    LONG bottom = -1;
};
