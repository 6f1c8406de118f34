#include "Win32/Sb/Media/StillImageReader.h"

#include <cstring>
#include <new>
#include <string>

#include "Platform/Mfc/File.h"
#include "Platform/Outside/StillImage/StillImage.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Platform/Win/Kernel/Memory.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Media/MediaFrame.h"

namespace {

constexpr INT kFrameCount = 5;
constexpr DWORD kFrameMicroseconds = 1000000;
constexpr WORD kBitmapFileType = 0x4D42;
constexpr DWORD kFileHeaderSize = sizeof(BITMAPFILEHEADER);
constexpr DWORD kMaskBytes = 3 * sizeof(DWORD);

bool HasBmpExtension(LPCSTR path)
{
    const std::string text(path);
    const size_t slash = text.find_last_of('/');
    const size_t dot = text.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    return _stricmp(text.c_str() + dot + 1, "bmp") == 0;
}

CSharedPalette* NewPalette()
{
    auto* data = new (std::nothrow) CPaletteData(256);
    if (data == nullptr)
        return nullptr;
    auto* palette = new (std::nothrow) CSharedPalette(data);
    if (palette == nullptr)
        delete data;
    return palette;
}

// Puts the pixels of a 16-bit bitmap file (read from byte 14 on into
// `block` of `size` bytes) straight behind its header, masks and colours,
// where a packed DIB keeps them; false when the file is too short for its
// picture or its parts overlap.
bool PackPixels(BYTE* block, SIZE_T size, const BITMAPINFOHEADER& header, DWORD fileOffset)
{
    const ULONGLONG stride = (static_cast<ULONGLONG>(header.biWidth) * 16 + 31) / 32 * 4;
    const ULONGLONG pixels = stride * static_cast<ULONGLONG>(header.biHeight);
    const ULONGLONG packed = sizeof(BITMAPINFOHEADER) + (header.biCompression == BI_BITFIELDS ? kMaskBytes : 0)
        + static_cast<ULONGLONG>(header.biClrUsed) * sizeof(RGBQUAD);
    if (fileOffset < kFileHeaderSize)
        return false;
    const ULONGLONG stored = fileOffset - kFileHeaderSize;
    // The block is as long as the file, so its last 14 bytes are not file
    // data.
    const ULONGLONG data = size - kFileHeaderSize;
    if (stored < packed || stored > data || data - stored < pixels)
        return false;
    if (stored != packed)
        std::memmove(block + packed, block + stored, static_cast<size_t>(pixels));
    return true;
}

} // namespace

CStillImageReader::CStillImageReader(LPCSTR path, INT load, INT, INT)
{
    if (path == nullptr)
        return;
    const bool loaded = (HasBmpExtension(path) && Load16BitBmp(path)) || LoadThroughLibrary(path, load);
    if (!loaded || m_pPalette == nullptr)
        return;
    m_hPalette = m_pPalette->GetHandle();
    m_tLength.SetSeconds(kFrameCount);
    m_tSourceFrame.SetSeconds(1.0);
    InitVideo(0, kFrameCount, kFrameMicroseconds, m_Header.biWidth, m_Header.biHeight, m_Header.biBitCount);
    m_bLoaded = 1;
}

CStillImageReader::~CStillImageReader()
{
    if (m_hDib != nullptr)
        GlobalFree(m_hDib);
}

bool CStillImageReader::Load16BitBmp(LPCSTR path)
{
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite))
        return false;
    HGLOBAL block = nullptr;
    BITMAPFILEHEADER fileHeader{};
    try {
        BITMAPINFOHEADER header;
        if (file.Read(&fileHeader, kFileHeaderSize) != kFileHeaderSize || fileHeader.bfType != kBitmapFileType
            || file.Read(&header, sizeof header) != sizeof header)
            return false;
        if (header.biBitCount != 16 || (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS))
            return false;
        file.SeekToBegin();
        block = LoadDibFile(file);
    } catch (CFileException* error) {
        error->Delete();
        return false;
    }
    if (block == nullptr)
        return false;
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header{};
    bool usable = bytes != nullptr && GlobalSize(block) >= kFileHeaderSize + sizeof header;
    if (usable) {
        std::memcpy(&header, bytes, sizeof header);
        usable = header.biSize == sizeof header && header.biWidth > 0 && header.biHeight > 0
            && header.biWidth <= STILLIMAGE_MAX_SIDE && header.biHeight <= STILLIMAGE_MAX_SIDE && header.biClrUsed <= 256
            && PackPixels(bytes, GlobalSize(block), header, fileHeader.bfOffBits);
    }
    if (bytes != nullptr)
        GlobalUnlock(block);
    CSharedPalette* palette = usable ? NewPalette() : nullptr;
    if (palette == nullptr) {
        GlobalFree(block);
        return false;
    }
    palette->BuildStandard();
    m_hDib = block;
    m_Header = header;
    m_pPalette = palette;
    return true;
}

bool CStillImageReader::LoadThroughLibrary(LPCSTR path, INT load)
{
    STILLFILEINFO info{};
    if (StillImageGetFileInfo(path, &info) != STILLIMAGE_OK)
        return false;
    STILLBITMAP bitmap;
    StillImageInitBitmap(&bitmap);
    CSharedPalette* palette = nullptr;
    bool loaded = StillImageLoadFile(path, &bitmap) == STILLIMAGE_OK && (palette = NewPalette()) != nullptr;
    if (loaded) {
        if (bitmap.BitsPerPixel > 8) {
            palette->BuildStandard();
            loaded = StillImageColorRes(&bitmap, 24) == STILLIMAGE_OK;
        } else if (bitmap.ColorCount > 0) {
            PALETTEENTRY entries[256];
            for (int i = 0; i < bitmap.ColorCount && i < 256; ++i)
                entries[i] = PALETTEENTRY{bitmap.Palette[i].rgbRed, bitmap.Palette[i].rgbGreen, bitmap.Palette[i].rgbBlue, 0};
            palette->SetEntries(0, bitmap.ColorCount, entries);
        } else {
            palette->BuildStandard();
        }
    }
    if (loaded) {
        m_Header = BITMAPINFOHEADER{};
        m_Header.biSize = sizeof(BITMAPINFOHEADER);
        m_Header.biWidth = bitmap.Width;
        m_Header.biHeight = bitmap.Height;
        m_Header.biPlanes = 1;
        m_Header.biBitCount = static_cast<WORD>(bitmap.BitsPerPixel);
        m_Header.biCompression = BI_RGB;
        m_Header.biClrUsed = static_cast<DWORD>(bitmap.ColorCount);
        m_Header.biClrImportant = static_cast<DWORD>(bitmap.ColorCount);
        if (load) {
            m_hDib = StillImageToPackedDib(&bitmap);
            loaded = m_hDib != nullptr;
        }
    }
    StillImageFreeBitmap(&bitmap);
    if (!loaded) {
        if (palette != nullptr) {
            palette->Release();
            delete palette;
        }
        return false;
    }
    m_pPalette = palette;
    return true;
}

BITMAPINFOHEADER* CStillImageReader::GetVideoHeader()
{
    return m_bLoaded ? &m_Header : nullptr;
}

// A still image has no sound.
void CStillImageReader::ReadAudio(INT, INT, MediaFrame*) {}

void CStillImageReader::ReadVideo(INT frameIndex, INT heldIndex, MediaFrame* frame)
{
    if (frame == nullptr || frame->m_pImage == nullptr || m_hDib == nullptr)
        return;
    // Every frame shows the same picture; a frame already converted is
    // kept.
    if (heldIndex >= 0 && heldIndex == frameIndex)
        return;
    auto* dib = static_cast<BITMAPINFOHEADER*>(GlobalLock(m_hDib));
    if (dib == nullptr)
        return;
    auto* image = new (std::nothrow) CIplImage(dib, false);
    GlobalUnlock(m_hDib);
    if (image != nullptr && image->GetImage() != nullptr)
        frame->m_pImage = image;
    else
        delete image;
}

INT CStillImageReader::IsOpenImpl()
{
    return m_bLoaded;
}

INT CStillImageReader::CanAllocateImage()
{
    return 1;
}
