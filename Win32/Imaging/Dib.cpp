#include "Win32/Imaging/Dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/Archive.h"
#include "Platform/Mfc/File.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/User/User.h"
#include "Win32/Utils/SafeSave.h"

IMPLEMENT_SERIAL(CDIB, CObject, 0)

namespace {

constexpr WORD kBitmapFileType = 0x4D42; // "BM"
constexpr DWORD kFileHeaderSize = sizeof(BITMAPFILEHEADER);
constexpr DWORD kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
constexpr DWORD kCoreHeaderSize = sizeof(BITMAPCOREHEADER);
// Beyond this a pixel block is refused even when the file holds it.
constexpr ULONGLONG kMaxBitsSize = 0x7FFFFFFFull;

struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};
using HeapBlock = std::unique_ptr<BYTE, FreeDeleter>;

WORD ReadU16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
DWORD ReadU32(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}
void WriteU16(BYTE* p, WORD v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}
void WriteU32(BYTE* p, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}

BITMAPINFOHEADER ParseInfoHeader(const BYTE* p)
{
    BITMAPINFOHEADER h{};
    h.biSize = ReadU32(p);
    h.biWidth = static_cast<LONG>(ReadU32(p + 4));
    h.biHeight = static_cast<LONG>(ReadU32(p + 8));
    h.biPlanes = ReadU16(p + 12);
    h.biBitCount = ReadU16(p + 14);
    h.biCompression = ReadU32(p + 16);
    h.biSizeImage = ReadU32(p + 20);
    h.biXPelsPerMeter = static_cast<LONG>(ReadU32(p + 24));
    h.biYPelsPerMeter = static_cast<LONG>(ReadU32(p + 28));
    h.biClrUsed = ReadU32(p + 32);
    h.biClrImportant = ReadU32(p + 36);
    return h;
}

// The 40-byte header an OS/2 core header stands for.
BITMAPINFOHEADER InfoFromCoreHeader(const BYTE* p)
{
    BITMAPINFOHEADER h{};
    h.biSize = kInfoHeaderSize;
    h.biWidth = ReadU16(p + 4);
    h.biHeight = ReadU16(p + 6);
    h.biPlanes = ReadU16(p + 8);
    h.biBitCount = ReadU16(p + 10);
    return h;
}

void StoreInfoHeader(BYTE* p, const BITMAPINFOHEADER& h)
{
    WriteU32(p, h.biSize);
    WriteU32(p + 4, static_cast<DWORD>(h.biWidth));
    WriteU32(p + 8, static_cast<DWORD>(h.biHeight));
    WriteU16(p + 12, h.biPlanes);
    WriteU16(p + 14, h.biBitCount);
    WriteU32(p + 16, h.biCompression);
    WriteU32(p + 20, h.biSizeImage);
    WriteU32(p + 24, static_cast<DWORD>(h.biXPelsPerMeter));
    WriteU32(p + 28, static_cast<DWORD>(h.biYPelsPerMeter));
    WriteU32(p + 32, h.biClrUsed);
    WriteU32(p + 36, h.biClrImportant);
}

ULONGLONG RowBytes(LONGLONG width, LONGLONG bitCount)
{
    if (width <= 0 || bitCount <= 0)
        return 0;
    return ((static_cast<ULONGLONG>(bitCount) * static_cast<ULONGLONG>(width) + 31) & ~31ull) / 8;
}

ULONGLONG AbsHeight(LONG height)
{
    return height < 0 ? static_cast<ULONGLONG>(-static_cast<LONGLONG>(height)) : static_cast<ULONGLONG>(height);
}

// Whether a file's header describes pixels CDIB can hold and draw: sane
// dimensions, a depth GDI draws, uncompressed rows (or 16/32-bit masks)
// and a colour table that fits the header block. `core` marks an OS/2 file.
bool IsUsableHeader(const BITMAPINFOHEADER& h, bool core)
{
    if (h.biWidth <= 0 || h.biWidth > kDibMaxDimension)
        return false;
    if (h.biHeight == 0 || h.biHeight < -kDibMaxDimension || h.biHeight > kDibMaxDimension)
        return false;
    if (h.biPlanes != 1)
        return false;
    switch (h.biBitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        break;
    case 16:
    case 32:
        if (core)
            return false;
        break;
    default:
        return false;
    }
    if (h.biCompression == BI_BITFIELDS)
        return (h.biBitCount == 16 || h.biBitCount == 32) && h.biClrUsed == 0;
    return h.biCompression == BI_RGB && h.biClrUsed <= 256;
}

ULONGLONG BitsSizeOf(const BITMAPINFOHEADER& h) { return RowBytes(h.biWidth, h.biBitCount) * AbsHeight(h.biHeight); }

// Reads exactly `count` bytes or returns false.
bool ReadExact(CFile& file, void* buffer, ULONGLONG count)
{
    BYTE* out = static_cast<BYTE*>(buffer);
    while (count > 0) {
        const UINT chunk = static_cast<UINT>(count > 0x40000000ull ? 0x40000000ull : count);
        const UINT got = file.Read(out, chunk);
        if (got == 0)
            return false;
        out += got;
        count -= got;
    }
    return true;
}

// Fills the header block's info header and grey colour table.
void FillDefaultHeader(BYTE* block, int width, int height)
{
    BITMAPINFOHEADER h{};
    h.biSize = kInfoHeaderSize;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 8;
    std::memcpy(block, &h, sizeof h);
    auto* table = reinterpret_cast<RGBQUAD*>(block + kInfoHeaderSize);
    for (int i = 0; i < 256; ++i)
        table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
}

} // namespace

int DibNumColors(const void* header)
{
    if (!header)
        return 0;
    const BYTE* p = static_cast<const BYTE*>(header);
    const DWORD size = ReadU32(p);
    WORD bitCount;
    if (size == kCoreHeaderSize) {
        bitCount = ReadU16(p + 10);
    } else {
        const DWORD used = ReadU32(p + 32);
        if (used != 0)
            return static_cast<int>(used > 0x7FFFFFFFu ? 0x7FFFFFFFu : used);
        bitCount = ReadU16(p + 14);
    }
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

BOOL IsWinDib(const void* header) { return header && ReadU32(static_cast<const BYTE*>(header)) != kCoreHeaderSize; }

CDIB::CDIB() { Create(90, 60); }

CDIB::~CDIB()
{
    FreeBits();
    std::free(m_pBMI);
    if (m_hBitmap)
        DeleteObject(m_hBitmap);
}

void CDIB::Serialize(CArchive&) {}

void CDIB::AssertValid() const { ASSERT(m_pBMI != nullptr); }

void CDIB::Dump(CDumpContext& dc) const
{
    dc << "CDIB " << static_cast<LONG>(GetWidth()) << " x " << static_cast<LONG>(GetHeight()) << "\n";
}

void CDIB::FreeBits()
{
    if (m_bitsOwner == BitsOwner::Heap)
        std::free(m_pBits);
    m_pBits = nullptr;
    m_cbBits = 0;
    m_bitsOwner = BitsOwner::None;
}

ULONGLONG CDIB::RequiredBitsSize() const
{
    if (!m_pBMI)
        return 0;
    return RowBytes(m_pBMI->bmiHeader.biWidth, m_pBMI->bmiHeader.biBitCount) * AbsHeight(m_pBMI->bmiHeader.biHeight);
}

BOOL CDIB::Create(int width, int height)
{
    BYTE* block = static_cast<BYTE*>(std::calloc(1, kDibHeaderBlockSize));
    if (!block) {
        TRACE("Out of memory for DIB header\n");
        return FALSE;
    }
    FillDefaultHeader(block, width, height);
    FreeBits();
    std::free(m_pBMI);
    m_pBMI = reinterpret_cast<BITMAPINFO*>(block);
    return TRUE;
}

BOOL CDIB::Load(CFile* pFile)
{
    if (!pFile)
        return FALSE;
    try {
        const ULONGLONG start = pFile->GetPosition();
        const ULONGLONG length = pFile->GetLength();
        const ULONGLONG available = length > start ? length - start : 0;

        BYTE fileHeader[kFileHeaderSize];
        if (!ReadExact(*pFile, fileHeader, sizeof fileHeader)) {
            TRACE("Failed to read file header\n");
            return FALSE;
        }
        if (ReadU16(fileHeader) != kBitmapFileType) {
            TRACE("Not a bitmap file\n");
            return FALSE;
        }
        const DWORD offBits = ReadU32(fileHeader + 10);

        BYTE raw[kInfoHeaderSize];
        if (!ReadExact(*pFile, raw, 4)) {
            TRACE("Failed to read BITMAPINFOHEADER\n");
            return FALSE;
        }
        const DWORD headerSize = ReadU32(raw);
        BITMAPINFOHEADER header;
        bool core = false;
        if (headerSize == kInfoHeaderSize) {
            if (!ReadExact(*pFile, raw + 4, kInfoHeaderSize - 4)) {
                TRACE("Failed to read BITMAPINFOHEADER\n");
                return FALSE;
            }
            header = ParseInfoHeader(raw);
        } else if (headerSize == kCoreHeaderSize) {
            if (!ReadExact(*pFile, raw + 4, kCoreHeaderSize - 4)) {
                TRACE("Failed to read BITMAPCOREHEADER\n");
                return FALSE;
            }
            header = InfoFromCoreHeader(raw);
            core = true;
        } else {
            TRACE(" File is not Windows or PM DIB format\n");
            return FALSE;
        }
        if (!IsUsableHeader(header, core)) {
            TRACE("Unsupported or damaged DIB header\n");
            return FALSE;
        }
        const int colors = DibNumColors(raw);

        HeapBlock block(static_cast<BYTE*>(std::calloc(1, kDibHeaderBlockSize)));
        if (!block) {
            TRACE("Out of memory for DIB header\n");
            return FALSE;
        }
        std::memcpy(block.get(), &header, sizeof header);
        auto* table = reinterpret_cast<RGBQUAD*>(block.get() + kInfoHeaderSize);
        DWORD tableBytes;
        if (core) {
            for (int i = 0; i < colors; ++i) {
                BYTE triple[3];
                if (!ReadExact(*pFile, triple, sizeof triple)) {
                    TRACE("Failed to read RGBTRIPLE\n");
                    return FALSE;
                }
                table[i] = RGBQUAD{triple[0], triple[1], triple[2], 0};
            }
            tableBytes = static_cast<DWORD>(colors) * 3;
        } else {
            // The three colour masks of a BI_BITFIELDS file sit where the
            // colour table would, which is where StretchDIBits reads them.
            tableBytes = header.biCompression == BI_BITFIELDS ? 12 : static_cast<DWORD>(colors) * 4;
            if (!ReadExact(*pFile, table, tableBytes)) {
                TRACE("Failed to read color table\n");
                return FALSE;
            }
        }

        const ULONGLONG bitsSize = BitsSizeOf(header);
        const ULONGLONG headersEnd = kFileHeaderSize + headerSize + tableBytes;
        if (offBits < headersEnd || offBits > available || bitsSize > available - offBits || bitsSize > kMaxBitsSize) {
            TRACE("Failed to read bits\n");
            return FALSE;
        }
        HeapBlock bits(static_cast<BYTE*>(std::malloc(static_cast<size_t>(bitsSize))));
        if (!bits) {
            TRACE("Out of memory for DIB bits\n");
            return FALSE;
        }
        pFile->Seek(static_cast<LONGLONG>(start + offBits), CFile::begin);
        if (!ReadExact(*pFile, bits.get(), bitsSize)) {
            TRACE("Failed to read bits\n");
            return FALSE;
        }

        FreeBits();
        std::free(m_pBMI);
        m_pBMI = reinterpret_cast<BITMAPINFO*>(block.release());
        m_pBits = bits.release();
        m_cbBits = static_cast<DWORD>(bitsSize);
        m_bitsOwner = BitsOwner::Heap;
        return TRUE;
    } catch (CException* e) {
        TRACE("Failed to read bitmap file\n");
        e->Delete();
        return FALSE;
    }
}

BOOL CDIB::AttachFileImage(BYTE* pFileImage, DWORD size)
{
    if (!pFileImage || size < kFileHeaderSize + kInfoHeaderSize || ReadU16(pFileImage) != kBitmapFileType ||
        ReadU32(pFileImage + kFileHeaderSize) != kInfoHeaderSize) {
        TRACE(" File is not Windows DIB format\n");
        return FALSE;
    }
    const BITMAPINFOHEADER header = ParseInfoHeader(pFileImage + kFileHeaderSize);
    if (!IsUsableHeader(header, false)) {
        TRACE(" File is not Windows DIB format\n");
        return FALSE;
    }
    const DWORD offBits = ReadU32(pFileImage + 10);
    const DWORD tableBytes =
        header.biCompression == BI_BITFIELDS ? 12 : static_cast<DWORD>(DibNumColors(pFileImage + kFileHeaderSize)) * 4;
    const ULONGLONG bitsSize = BitsSizeOf(header);
    if (offBits < kFileHeaderSize + kInfoHeaderSize + tableBytes || offBits > size || bitsSize > size - offBits) {
        TRACE(" File is not Windows DIB format\n");
        return FALSE;
    }
    // The header is copied into a block of the object's own so that the
    // caller's block is never freed or written through the header.
    BYTE* block = static_cast<BYTE*>(std::calloc(1, kDibHeaderBlockSize));
    if (!block) {
        TRACE("Out of memory for DIB header\n");
        return FALSE;
    }
    std::memcpy(block, &header, sizeof header);
    std::memcpy(block + kInfoHeaderSize, pFileImage + kFileHeaderSize + kInfoHeaderSize, tableBytes);
    FreeBits();
    std::free(m_pBMI);
    m_pBMI = reinterpret_cast<BITMAPINFO*>(block);
    m_pBits = pFileImage + offBits;
    m_cbBits = static_cast<DWORD>(bitsSize);
    m_bitsOwner = BitsOwner::Caller;
    return TRUE;
}

int CDIB::GetWidth() const { return m_pBMI ? m_pBMI->bmiHeader.biWidth : 0; }

int CDIB::GetHeight() const { return m_pBMI ? m_pBMI->bmiHeader.biHeight : 0; }

int CDIB::GetNumColors() const { return DibNumColors(m_pBMI); }

RGBQUAD* CDIB::GetColorTable() const
{
    return m_pBMI ? reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(m_pBMI) + kInfoHeaderSize) : nullptr;
}

int CDIB::GetStorageWidth() const
{
    if (!m_pBMI)
        return 0;
    const ULONGLONG row = RowBytes(m_pBMI->bmiHeader.biWidth, m_pBMI->bmiHeader.biBitCount);
    return row > 0x7FFFFFFFull ? 0 : static_cast<int>(row);
}

void CDIB::SetFormat(int width, int height, int bitCount)
{
    if (!m_pBMI)
        return;
    if (width == 180)
        width = 90;
    if (height == 120)
        height = 60;
    BITMAPINFOHEADER& h = m_pBMI->bmiHeader;
    h = BITMAPINFOHEADER{};
    h.biSize = kInfoHeaderSize;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    const ULONGLONG image = RowBytes(width, bitCount) * AbsHeight(height);
    h.biSizeImage = image > 0xFFFFFFFFull ? 0 : static_cast<DWORD>(image);
}

BOOL CDIB::Save(CFile* pFile)
{
    const ULONGLONG bitsSize = RequiredBitsSize();
    if (!pFile || !m_pBMI || !m_pBits || bitsSize == 0 || bitsSize > m_cbBits ||
        bitsSize + kDibFileOffBits > 0xFFFFFFFFull) {
        TRACE("No pixels to write\n");
        return FALSE;
    }
    BYTE fileHeader[kFileHeaderSize] = {};
    WriteU16(fileHeader, kBitmapFileType);
    WriteU32(fileHeader + 2, static_cast<DWORD>(bitsSize + kDibFileOffBits));
    WriteU32(fileHeader + 10, kDibFileOffBits);
    BYTE info[kDibHeaderBlockSize];
    StoreInfoHeader(info, m_pBMI->bmiHeader);
    std::memcpy(info + kInfoHeaderSize, GetColorTable(), kDibHeaderBlockSize - kInfoHeaderSize);

    const char* failure = "Failed to write file header\n";
    try {
        pFile->Write(fileHeader, sizeof fileHeader);
        failure = "Failed to write BITMAPINFO\n";
        pFile->Write(info, sizeof info);
        failure = "Failed to write bits\n";
        pFile->Write(m_pBits, static_cast<UINT>(bitsSize));
    } catch (CException* e) {
        TRACE("%s", failure);
        e->Delete();
        return FALSE;
    }
    return TRUE;
}

BOOL CDIB::SaveAs(LPCSTR path)
{
    if (!path || !*path)
        return FALSE;
    CSafeSave save;
    if (!save.Begin(path)) {
        AfxMessageBox("Failed to open file");
        return FALSE;
    }
    // The CFile only borrows the handle; the save closes it.
    CFile file(save.GetHandle());
    if (!Save(&file)) {
        save.Abandon();
        AfxMessageBox("Failed to save file");
        return FALSE;
    }
    if (!save.Commit()) {
        AfxMessageBox("Failed to save file");
        return FALSE;
    }
    return TRUE;
}

int CDIB::Draw(HDC hdc, int x, int y, int width, int height)
{
    const ULONGLONG bitsSize = RequiredBitsSize();
    if (!hdc || !m_pBMI || !m_pBits || bitsSize == 0 || bitsSize > m_cbBits)
        return 0;
    return StretchDIBits(hdc, x, y, width, height, 0, 0, GetWidth(), static_cast<int>(AbsHeight(GetHeight())),
                         m_pBits, m_pBMI, DIB_RGB_COLORS, SRCCOPY);
}

BOOL CDIB::DrawSection(HDC hdc, int x, int y)
{
    if (!hdc || !m_hBitmap)
        return FALSE;
    HDC memory = CreateCompatibleDC(hdc);
    if (!memory)
        return FALSE;
    HGDIOBJ previous = SelectObject(memory, m_hBitmap);
    const int width = GetWidth();
    const int height = static_cast<int>(AbsHeight(GetHeight()));
    // The DV decoder fills only the upper-left quarter of a 180 x 120 frame.
    const int sourceWidth = width == 180 ? width / 2 : width;
    const int sourceHeight = height == 120 ? height / 2 : height;
    const BOOL drawn = StretchBlt(hdc, x, y, width, height, memory, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return drawn;
}

BOOL CDIB::CreateSection(HWND hwnd)
{
    const ULONGLONG bitsSize = RequiredBitsSize();
    if (!m_pBMI || bitsSize == 0 || bitsSize > kMaxBitsSize)
        return FALSE;
    HDC dc = GetDC(hwnd);
    void* sectionBits = nullptr;
    HBITMAP section = CreateDIBSection(dc, m_pBMI, DIB_PAL_COLORS, &sectionBits, nullptr, 0);
    if (dc)
        ReleaseDC(hwnd, dc);
    if (!section || !sectionBits) {
        if (section)
            DeleteObject(section);
        TRACE("Failed to create the DIB section\n");
        return FALSE;
    }
    // Only what both the old block and the section hold is copied.
    if (m_pBits && m_cbBits > 0)
        std::memcpy(sectionBits, m_pBits, static_cast<size_t>(std::min<ULONGLONG>(m_cbBits, bitsSize)));
    FreeBits();
    if (m_hBitmap)
        DeleteObject(m_hBitmap);
    m_hBitmap = section;
    m_pBits = static_cast<BYTE*>(sectionBits);
    m_cbBits = static_cast<DWORD>(bitsSize);
    m_bitsOwner = BitsOwner::Section;
    return TRUE;
}
