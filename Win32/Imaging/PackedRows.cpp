#include "Win32/Imaging/PackedRows.h"

#include <cstring>
#include <new>

namespace {

// The mask of pixel positions first..last (0 = leftmost) of a byte holding
// pixels of `bits` bits, leftmost in the most significant bits.
BYTE PositionMask(int bits, int first, int last)
{
    const int span = (last - first + 1) * bits;
    const int shift = 8 - (last + 1) * bits;
    return static_cast<BYTE>(((1u << span) - 1u) << shift);
}

// Copies the pixels of one aligned row run between two packed byte arrays:
// `from` and `to` both start at the byte holding the run's first pixel, which
// sits at `offset` within that byte. Bits outside the run stay as they were.
void CopyAlignedRun(const BYTE* from, BYTE* to, int bits, LONG offset, LONG count)
{
    const int perByte = 8 / bits;
    const LONG end = offset + count;
    const LONG lastByte = (end - 1) / perByte;
    LONG firstWhole = 0;
    if (offset != 0 || lastByte == 0) {
        const int last = lastByte == 0 ? static_cast<int>(end - 1) : perByte - 1;
        const BYTE mask = PositionMask(bits, static_cast<int>(offset), last);
        to[0] = static_cast<BYTE>((to[0] & ~mask) | (from[0] & mask));
        firstWhole = 1;
    }
    if (lastByte < firstWhole)
        return;
    const int lastPosition = static_cast<int>((end - 1) % perByte);
    LONG lastWhole = lastPosition == perByte - 1 ? lastByte : lastByte - 1;
    if (lastWhole >= firstWhole)
        std::memcpy(to + firstWhole, from + firstWhole, static_cast<size_t>(lastWhole - firstWhole + 1));
    if (lastWhole < lastByte) {
        const BYTE mask = PositionMask(bits, 0, lastPosition);
        to[lastByte] = static_cast<BYTE>((to[lastByte] & ~mask) | (from[lastByte] & mask));
    }
}

int ReadPacked(const BYTE* row, int bits, LONG x)
{
    const int perByte = 8 / bits;
    const int shift = 8 - (static_cast<int>(x % perByte) + 1) * bits;
    return (row[x / perByte] >> shift) & ((1 << bits) - 1);
}

void WritePacked(BYTE* row, int bits, LONG x, int value)
{
    const int perByte = 8 / bits;
    const int shift = 8 - (static_cast<int>(x % perByte) + 1) * bits;
    const BYTE mask = static_cast<BYTE>(((1 << bits) - 1) << shift);
    BYTE& byte = row[x / perByte];
    byte = static_cast<BYTE>((byte & ~mask) | ((value << shift) & mask));
}

// Clips a run at its far end. FALSE when nothing is to be moved: no memory, a
// start outside the view or a count below 1.
bool ClipRun(const BYTE* data, LONG width, LONG height, LONG x, LONG y, LONG& count, BOOL vertical)
{
    if (data == nullptr || x < 0 || y < 0 || x >= width || y >= height || count < 1)
        return false;
    const LONG room = vertical ? height - y : width - x;
    if (count > room)
        count = room;
    return true;
}

// The row and column runs of both views, with `bits` bits a pixel. Values
// passed to these are already reduced to the pixel's bits.
void ReadRunOf(const BYTE* data, LONG width, LONG height, LONG stride, int bits, BYTE* destination, LONG x,
               LONG y, LONG count, LONG* done, BOOL vertical)
{
    if (done != nullptr)
        *done = 0;
    if (destination == nullptr || !ClipRun(data, width, height, x, y, count, vertical))
        return;
    const int perByte = 8 / bits;
    const BYTE* row = data + static_cast<ptrdiff_t>(stride) * y;
    if (!vertical) {
        CopyAlignedRun(row + x / perByte, destination, bits, x % perByte, count);
    } else {
        const LONG offset = y % perByte;
        for (LONG k = 0; k < count; ++k) {
            const BYTE* source = data + static_cast<ptrdiff_t>(stride) * (y + k);
            WritePacked(destination, bits, offset + k, ReadPacked(source, bits, x));
        }
    }
    if (done != nullptr)
        *done = count;
}

void WriteRunOf(BYTE* data, LONG width, LONG height, LONG stride, int bits, const BYTE* source, LONG x, LONG y,
                LONG count, LONG* done, BOOL vertical)
{
    if (done != nullptr)
        *done = 0;
    if (source == nullptr || !ClipRun(data, width, height, x, y, count, vertical))
        return;
    const int perByte = 8 / bits;
    BYTE* row = data + static_cast<ptrdiff_t>(stride) * y;
    if (!vertical) {
        CopyAlignedRun(source, row + x / perByte, bits, x % perByte, count);
    } else {
        const LONG offset = y % perByte;
        for (LONG k = 0; k < count; ++k) {
            BYTE* target = data + static_cast<ptrdiff_t>(stride) * (y + k);
            WritePacked(target, bits, x, ReadPacked(source, bits, offset + k));
        }
    }
    if (done != nullptr)
        *done = count;
}

void ShiftRowsLeft(BYTE* data, LONG width, LONG height, LONG stride, int bits, LONG n)
{
    if (data == nullptr || n <= 0 || width <= 0)
        return;
    const LONG rowBytes = static_cast<LONG>((static_cast<LONGLONG>(width) * bits + 7) / 8);
    const LONG byteShift = n / 8;
    const int bitShift = static_cast<int>(n % 8);
    for (LONG y = 0; y < height; ++y) {
        BYTE* row = data + static_cast<ptrdiff_t>(stride) * y;
        for (LONG i = 0; i < rowBytes; ++i) {
            const LONG from = i + byteShift;
            const unsigned current = from < rowBytes ? row[from] : 0u;
            const unsigned next = from + 1 < rowBytes ? row[from + 1] : 0u;
            row[i] = static_cast<BYTE>(bitShift == 0 ? current : (current << bitShift) | (next >> (8 - bitShift)));
        }
    }
}

bool Inside(const BYTE* data, LONG width, LONG height, LONG x, LONG y)
{
    return data != nullptr && x >= 0 && y >= 0 && x < width && y < height;
}

} // namespace

CPackedRows::CPackedRows(BYTE* data, LONG width, LONG height, LONG stride, BOOL ownsData)
    : m_pData(data), m_nWidth(width), m_nHeight(height), m_nStride(stride), m_bOwnsData(ownsData)
{
}

CPackedRows::~CPackedRows()
{
    if (m_bOwnsData)
        delete[] m_pData;
}

CPackedRows1::CPackedRows1(BYTE* data, LONG width, LONG height, LONG stride)
    : CPackedRows(data, width, height, stride, FALSE)
{
}

CPackedRows1::CPackedRows1(LONG width, LONG height) : CPackedRows(nullptr, width, height, 0, FALSE) {}

std::unique_ptr<CPackedRows1> CPackedRows1::Create(LONG width, LONG height)
{
    if (width < 0 || height < 0)
        return nullptr;
    const LONGLONG stride = (static_cast<LONGLONG>(width) + 31) / 32 * 4;
    const LONGLONG size = stride * height;
    std::unique_ptr<CPackedRows1> view(new (std::nothrow) CPackedRows1(width, height));
    if (!view)
        return nullptr;
    view->m_nStride = static_cast<LONG>(stride);
    if (size > 0) {
        view->m_pData = new (std::nothrow) BYTE[static_cast<size_t>(size)]();
        if (view->m_pData == nullptr)
            return nullptr;
        view->m_bOwnsData = TRUE;
    }
    return view;
}

void CPackedRows1::ReadRun(BYTE* destination, LONG x, LONG y, LONG count, LONG* done, BOOL vertical) const
{
    ReadRunOf(m_pData, m_nWidth, m_nHeight, m_nStride, 1, destination, x, y, count, done, vertical);
}

int CPackedRows1::GetAt(LONG i) const
{
    return GetPixel(i, 0);
}

int CPackedRows1::GetPixel(LONG x, LONG y) const
{
    if (!Inside(m_pData, m_nWidth, m_nHeight, x, y))
        return 0;
    return ReadPacked(m_pData + static_cast<ptrdiff_t>(m_nStride) * y, 1, x);
}

void CPackedRows1::WriteRun(const BYTE* source, LONG x, LONG y, LONG count, LONG* done, BOOL vertical)
{
    WriteRunOf(m_pData, m_nWidth, m_nHeight, m_nStride, 1, source, x, y, count, done, vertical);
}

void CPackedRows1::SetAt(LONG i, int value)
{
    SetPixel(i, 0, value);
}

void CPackedRows1::SetPixel(LONG x, LONG y, int value)
{
    if (!Inside(m_pData, m_nWidth, m_nHeight, x, y))
        return;
    WritePacked(m_pData + static_cast<ptrdiff_t>(m_nStride) * y, 1, x, (value & 0xFF) != 0 ? 1 : 0);
}

void CPackedRows1::ShiftLeft(LONG n)
{
    ShiftRowsLeft(m_pData, m_nWidth, m_nHeight, m_nStride, 1, n);
}

CPackedRows4::CPackedRows4(BYTE* data, LONG width, LONG height, LONG stride)
    : CPackedRows(data, width, height, stride, FALSE)
{
}

CPackedRows4::CPackedRows4(LONG width, LONG height) : CPackedRows(nullptr, width, height, 0, FALSE) {}

void CPackedRows4::ReadRun(BYTE* destination, LONG x, LONG y, LONG count, LONG* done, BOOL vertical) const
{
    ReadRunOf(m_pData, m_nWidth, m_nHeight, m_nStride, 4, destination, x, y, count, done, vertical);
}

int CPackedRows4::GetAt(LONG i) const
{
    return GetPixel(i, 0);
}

int CPackedRows4::GetPixel(LONG x, LONG y) const
{
    if (!Inside(m_pData, m_nWidth, m_nHeight, x, y))
        return 0;
    return ReadPacked(m_pData + static_cast<ptrdiff_t>(m_nStride) * y, 4, x);
}

void CPackedRows4::WriteRun(const BYTE* source, LONG x, LONG y, LONG count, LONG* done, BOOL vertical)
{
    WriteRunOf(m_pData, m_nWidth, m_nHeight, m_nStride, 4, source, x, y, count, done, vertical);
}

void CPackedRows4::SetAt(LONG i, int value)
{
    SetPixel(i, 0, value);
}

void CPackedRows4::SetPixel(LONG x, LONG y, int value)
{
    if (!Inside(m_pData, m_nWidth, m_nHeight, x, y))
        return;
    WritePacked(m_pData + static_cast<ptrdiff_t>(m_nStride) * y, 4, x, value & 0x0F);
}

void CPackedRows4::ShiftLeft(LONG n)
{
    ShiftRowsLeft(m_pData, m_nWidth, m_nHeight, m_nStride, 4, n);
}
