#pragma once
// Views over rows of sub-byte pixels (1 or 4 bits a pixel). Runs along a row
// or down a column are exchanged with the caller in packed form, aligned the
// way the run's start is aligned within its own byte: a row run from x starts
// at pixel position x mod (pixels a byte) of the caller's first byte, a
// column run from y at position y mod (pixels a byte).

#include <memory>

#include "Platform/Win/Base/WinTypes.h"

class CPackedRows {
public:
    CPackedRows(const CPackedRows&) = delete;
    CPackedRows& operator=(const CPackedRows&) = delete;
    virtual ~CPackedRows();

    // Copies up to `count` pixels from (x, y) along the row (vertical 0) or
    // down the column (vertical nonzero) into `destination`, leaving the
    // caller's bits outside the run as they were. The run is clipped at its
    // far end; `done` (may be null) receives the pixels moved. A start
    // outside the view, a count below 1 or a view without memory moves
    // nothing.
    virtual void ReadRun(BYTE* destination, LONG x, LONG y, LONG count, LONG* done, BOOL vertical) const = 0;
    virtual int GetAt(LONG i) const = 0;
    // 0 outside the view or without memory.
    virtual int GetPixel(LONG x, LONG y) const = 0;
    virtual void WriteRun(const BYTE* source, LONG x, LONG y, LONG count, LONG* done, BOOL vertical) = 0;
    virtual void SetAt(LONG i, int value) = 0;
    // Nothing outside the view or without memory.
    virtual void SetPixel(LONG x, LONG y, int value) = 0;
    // Moves every row towards its first pixel by n bits; bits shifted in at
    // the end of a row are 0. Only the bytes that hold the row's pixels are
    // touched.
    virtual void ShiftLeft(LONG n) = 0;

    BYTE* GetData() const { return m_pData; }
    LONG GetWidth() const { return m_nWidth; }
    LONG GetHeight() const { return m_nHeight; }
    LONG GetStride() const { return m_nStride; }
    BOOL OwnsData() const { return m_bOwnsData; }

protected:
    CPackedRows(BYTE* data, LONG width, LONG height, LONG stride, BOOL ownsData);

    BYTE* m_pData = nullptr;
    LONG m_nWidth = 0;
    LONG m_nHeight = 0;
    LONG m_nStride = 0;
    BOOL m_bOwnsData = FALSE;
};

// 8 pixels a byte; pixel x is bit 7 - (x mod 8) of byte x / 8.
class CPackedRows1 : public CPackedRows {
public:
    // A view over memory the caller keeps.
    CPackedRows1(BYTE* data, LONG width, LONG height, LONG stride);
    // A view without memory (stride 0).
    CPackedRows1(LONG width, LONG height);
    // A view that owns zeroed memory of stride (width + 31) / 32 x 4; null for
    // negative sizes or when memory is short.
    static std::unique_ptr<CPackedRows1> Create(LONG width, LONG height);

    void ReadRun(BYTE* destination, LONG x, LONG y, LONG count, LONG* done, BOOL vertical) const override;
    int GetAt(LONG i) const override;
    int GetPixel(LONG x, LONG y) const override;
    void WriteRun(const BYTE* source, LONG x, LONG y, LONG count, LONG* done, BOOL vertical) override;
    void SetAt(LONG i, int value) override;
    // Sets the bit when the low byte of `value` is not 0, else clears it.
    void SetPixel(LONG x, LONG y, int value) override;
    void ShiftLeft(LONG n) override;
};

// 2 pixels a byte; even x in the high nibble of byte x / 2, odd x in the low.
class CPackedRows4 : public CPackedRows {
public:
    CPackedRows4(BYTE* data, LONG width, LONG height, LONG stride);
    CPackedRows4(LONG width, LONG height);

    void ReadRun(BYTE* destination, LONG x, LONG y, LONG count, LONG* done, BOOL vertical) const override;
    int GetAt(LONG i) const override;
    int GetPixel(LONG x, LONG y) const override;
    void WriteRun(const BYTE* source, LONG x, LONG y, LONG count, LONG* done, BOOL vertical) override;
    void SetAt(LONG i, int value) override;
    // Stores the low nibble of `value`; the other nibble of the byte stays.
    void SetPixel(LONG x, LONG y, int value) override;
    void ShiftLeft(LONG n) override;
};
