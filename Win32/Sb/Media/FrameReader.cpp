#include "Win32/Sb/Media/FrameReader.h"

#include <cmath>
#include <cstring>
#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "Platform/DShow/Api/FilterInterfaces.h"
#include "Platform/Mfc/File.h"
#include "Platform/Win/Kernel/Memory.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

// The produce settings set it and the readers read it on the UI thread
// alone, so it takes no lock.
INT g_bHalfWidthOutput = 0;

constexpr BYTE kCubeLevels[7] = {0, 64, 128, 160, 192, 224, 255};
constexpr BYTE kCubeBlueLevels[5] = {0, 64, 128, 192, 255};
constexpr BYTE kCubeFixed[11][3] = {
    {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164}, {96, 96, 96},  {160, 160, 160},
    {224, 224, 224}, {32, 32, 96},    {64, 64, 96},    {192, 192, 160}, {64, 128, 160},
};

constexpr WORD kBitmapFileType = 0x4D42;
constexpr DWORD kFileHeaderSize = sizeof(BITMAPFILEHEADER);
// A DIB file larger than this is not read into memory.
constexpr ULONGLONG kMaxDibFile = 256ull * 1024 * 1024;

CMediaTime FromSeconds(double seconds)
{
    CMediaTime time;
    time.SetSeconds(seconds);
    return time;
}

CMediaTime FromMicroseconds(double microseconds)
{
    return CMediaTime(0, 0, 0, microseconds, CMediaTime::kMicroseconds);
}

CGfxSize SizeOf(const CIplImage* image)
{
    const IplImage* ipl = image != nullptr ? image->GetImage() : nullptr;
    return ipl != nullptr ? CGfxSize(ipl->width, ipl->height) : CGfxSize(0, 0);
}

bool HasPixels(const CIplImage* image)
{
    return image != nullptr && image->GetImage() != nullptr;
}

// A new image that the caller owns, or null when none could be made.
CIplImage* Keep(CIplImage* image)
{
    if (image != nullptr && image->GetImage() == nullptr) {
        delete image;
        return nullptr;
    }
    return image;
}

CIplImage* CopyOf(const CIplImage* image)
{
    return Keep(new (std::nothrow) CIplImage(image));
}

CIplImage* BlackImage(const CGfxSize& size)
{
    return Keep(new (std::nothrow) CIplImage(size.cx, size.cy, 0));
}

// `image` scaled to `size`, or a copy when scaling gives nothing (the size
// is already right).
CIplImage* ResizedOrCopy(const CIplImage* image, const CGfxSize& size)
{
    if (CIplImage* resized = Keep(image->CreateResized(size.cx, size.cy)))
        return resized;
    return CopyOf(image);
}

// `image` into `rect` of a black image of `size`.
CIplImage* PlaceOnBlack(const CGfxSize& size, const CIplImage* image, const RECT& rect)
{
    CIplImage* result = BlackImage(size);
    if (result == nullptr || rect.right <= rect.left || rect.bottom <= rect.top)
        return result;
    result->SetRoi(&rect);
    result->CopyFrom(image);
    result->FreeRoi();
    return result;
}

bool ReadExactly(CFile& file, void* buffer, UINT count)
{
    return file.Read(buffer, count) == count;
}

} // namespace

INT GetHalfWidthOutput()
{
    return g_bHalfWidthOutput;
}

void SetHalfWidthOutput(INT halfWidth)
{
    g_bHalfWidthOutput = halfWidth;
}

CFrameReader::CFrameReader() = default;

CFrameReader::~CFrameReader()
{
    if (m_pPalette != nullptr) {
        m_pPalette->Release();
        delete m_pPalette;
    }
    delete m_pSourceImage;
}

namespace {

// The index of the last of `count` frames from `first`, held within an
// INT (a damaged count must not overflow).
INT LastFrameOf(INT first, INT count)
{
    const LONGLONG last = static_cast<LONGLONG>(first) + count - 1;
    return static_cast<INT>(std::clamp<LONGLONG>(last, std::numeric_limits<INT>::min(), std::numeric_limits<INT>::max()));
}

} // namespace

void CFrameReader::InitVideo(INT first, INT count, DWORD frameTime, INT width, INT height, INT bitCount)
{
    if (frameTime != 0)
        m_tSourceFrame = FromMicroseconds(frameTime);
    m_nFirstFrame = first;
    m_nCurFrame = first;
    m_nDecodedFrame = -1;
    m_nLastFrame = LastFrameOf(first, count);
    m_nBitCount = static_cast<BYTE>(bitCount) < 8 ? 8 : bitCount;
    m_tSourceFrame2 = m_tSourceFrame;
    m_nSourceWidth = static_cast<WORD>(width);
    m_nSourceHeight = static_cast<WORD>(height);
    m_tPosition = CMediaTime();
    m_tFrame = m_tSourceFrame;
    m_nOutWidth = m_nSourceWidth;
    m_nOutHeight = m_nSourceHeight;
    m_tStart = CMediaTime();
    m_bAtEnd = 0;
}

void CFrameReader::InitAudio(INT first, INT count, DWORD frameTime, INT channels, INT rate, INT bits)
{
    if (frameTime != 0)
        m_tSourceFrame = FromMicroseconds(frameTime);
    m_nFirstFrame = first;
    m_nCurFrame = first;
    m_nDecodedFrame = -1;
    m_nLastFrame = LastFrameOf(first, count);
    m_tSourceFrame2 = m_tSourceFrame;
    m_tPosition = CMediaTime();
    m_tFrame = m_tSourceFrame;
    m_tStart = CMediaTime();
    m_bAtEnd = 0;
    m_nChannels = channels;
    m_nSampleRate = rate;
    m_nBitsPerSample = bits;
}

void CFrameReader::SetStretch(INT stretch)
{
    m_bStretch = stretch;
}

CMediaTime CFrameReader::Seek(CMediaTime time)
{
    const double t = time.GetSeconds();
    double index = 0.0;
    CMediaTime position;
    if (t > 0.0) {
        const double end = (m_tLength + m_tIn).GetSeconds();
        const double frame = m_tSourceFrame2.GetSeconds();
        if (t < end) {
            index = frame > 0.0 ? std::floor((t + frame * kSeekBias) / frame) : 0.0;
            position = time;
        } else {
            index = frame > 0.0 ? std::floor((end + frame * kSeekBias) / frame) : 0.0;
            position = FromSeconds(frame * index);
        }
    }
    const double current = static_cast<double>(m_nFirstFrame) + index;
    m_nCurFrame = current < std::numeric_limits<INT>::max() ? static_cast<INT>(current) : std::numeric_limits<INT>::max();
    m_bAtEnd = 0;
    m_tPosition = position;
    return position;
}

INT CFrameReader::IsOpen()
{
    return IsOpenImpl();
}

INT CFrameReader::GetAudioFormat(WAVEFORMATEX* format)
{
    if (format == nullptr || !HasAudio())
        return 0;
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nChannels = static_cast<WORD>(m_nChannels);
    format->nSamplesPerSec = static_cast<DWORD>(m_nSampleRate);
    format->wBitsPerSample = static_cast<WORD>(m_nBitsPerSample);
    format->nBlockAlign = static_cast<WORD>((m_nBitsPerSample + 7) / 8 * m_nChannels);
    format->nAvgBytesPerSec = DWORD{format->nBlockAlign} * format->nSamplesPerSec;
    return 1;
}

void CFrameReader::SetEffects(const EffectList* effects)
{
    if (effects != nullptr)
        m_Effects.CopyFrom(*effects);
}

INT CFrameReader::AudioBlockIndex() const
{
    const double position = m_tPosition.GetSeconds();
    const double frame = m_tFrame.GetSeconds();
    if (position <= 0.0 || frame <= 0.0)
        return 0;
    // A position on a frame boundary, up to rounding, reads that frame's
    // block.
    const double blocks = std::ceil(position / frame - 1e-6);
    return blocks < std::numeric_limits<INT>::max() ? static_cast<INT>(blocks) : std::numeric_limits<INT>::max();
}

CWaveBuffer* CFrameReader::MakeSilentBlock(const WAVEFORMATEX* format)
{
    CWaveBuffer* block = format != nullptr ? new (std::nothrow) CWaveBuffer(m_tFrame, format) : nullptr;
    if (block == nullptr || !block->m_bValid || block->m_pData == nullptr) {
        delete block;
        m_bFailed = 1;
        return nullptr;
    }
    return block;
}

INT CFrameReader::EnsureSourceImage()
{
    if (m_pSourceImage == nullptr && CanAllocateImage()) {
        m_pSourceImage = BlackImage(CGfxSize(m_nSourceWidth, m_nSourceHeight));
        m_nDecodedFrame = -1;
    }
    return m_pSourceImage != nullptr;
}

void CFrameReader::ReadSourceImage(MediaFrame* result, bool takeSample)
{
    if (m_tLength.GetSeconds() <= 0.0) {
        m_pSourceImage->FillColor(0);
    } else {
        // The work frame carries the image only: a reader that also reads
        // sound must not see the audio block here.
        MediaFrame work;
        work.m_pImage = m_pSourceImage;
        ReadVideo(m_nCurFrame, m_nDecodedFrame, &work);
        if (work.m_pImage != m_pSourceImage && HasPixels(work.m_pImage)) {
            delete m_pSourceImage;
            m_pSourceImage = work.m_pImage;
        } else if (work.m_pImage != m_pSourceImage) {
            delete work.m_pImage;
        }
        work.m_pImage = nullptr;
        if (takeSample) {
            result->m_pSample = work.m_pSample;
            result->m_bSample = work.m_bSample;
        } else if (work.m_pSample != nullptr) {
            work.m_pSample->Release();
        }
        work.m_pSample = nullptr;
    }
    m_nDecodedFrame = m_nCurFrame;
}

MediaFrame* CFrameReader::GetFrame(INT* failed, INT wantVideo, INT wantAudio, WAVEFORMATEX* format)
{
    INT ignored = 0;
    if (failed == nullptr)
        failed = &ignored;
    auto* frame = new (std::nothrow) MediaFrame;
    if (frame == nullptr) {
        m_bFailed = 1;
        *failed = 1;
        return nullptr;
    }
    *failed = m_bFailed;
    if (m_bFailed)
        return frame;

    if (wantAudio) {
        if (static_cast<LONGLONG>(m_tFrame.GetTotalMicroseconds()) != 0)
            frame->m_pAudio = MakeSilentBlock(format);
        if (m_bFailed)
            *failed = 1;
        const INT block = AudioBlockIndex();
        if (frame->m_pAudio != nullptr && HasAudio())
            ReadAudio(block, -1, frame);
    }

    if (wantVideo && HasVideo()) {
        if (!EnsureSourceImage()) {
            m_bFailed = 1;
            *failed = 1;
        } else {
            ReadSourceImage(frame, true);
            if (!frame->m_bSample) {
                frame->m_pImage = MakeOutputImage(m_pSourceImage);
                if (frame->m_pImage == nullptr) {
                    m_bFailed = 1;
                    *failed = 1;
                }
            }
            frame->m_bFieldBased = m_bFieldBased;
        }
    }

    if (!frame->m_bSample && frame->m_pImage != nullptr) {
        CIplImage* drawn = m_Effects.RenderFrame(frame->m_pImage, frame->m_pAudio, m_tPosition - m_tIn, m_tFrame);
        if (drawn != nullptr && drawn != frame->m_pImage) {
            delete frame->m_pImage;
            frame->m_pImage = drawn;
        }
    }

    Seek(m_tPosition + m_tFrame);
    return frame;
}

MediaFrame* CFrameReader::GetNativeFrame(INT* failed, INT wantVideo, INT wantAudio)
{
    INT ignored = 0;
    if (failed == nullptr)
        failed = &ignored;
    auto* frame = new (std::nothrow) MediaFrame;
    if (frame == nullptr) {
        m_bFailed = 1;
        *failed = 1;
        return nullptr;
    }
    *failed = m_bFailed;
    if (m_bFailed)
        return frame;

    if (wantVideo && HasVideo()) {
        if (!EnsureSourceImage()) {
            m_bFailed = 1;
            *failed = 1;
        } else {
            ReadSourceImage(frame, false);
            frame->m_pImage = MakeOutputImage(m_pSourceImage);
            if (frame->m_pImage == nullptr) {
                m_bFailed = 1;
                *failed = 1;
            }
            frame->m_bFieldBased = m_bFieldBased;
        }
    }

    if (wantAudio && static_cast<LONGLONG>(m_tFrame.GetTotalMicroseconds()) != 0) {
        WAVEFORMATEX native{};
        native.wFormatTag = WAVE_FORMAT_PCM;
        native.nChannels = static_cast<WORD>(m_nChannels);
        native.nSamplesPerSec = static_cast<DWORD>(m_nSampleRate);
        native.wBitsPerSample = static_cast<WORD>(m_nBitsPerSample);
        native.nBlockAlign = static_cast<WORD>(m_nBitsPerSample / 8 * m_nChannels);
        native.nAvgBytesPerSec = DWORD{native.nBlockAlign} * native.nSamplesPerSec;
        frame->m_pAudio = MakeSilentBlock(&native);
        if (m_bFailed)
            *failed = 1;
        const INT block = AudioBlockIndex();
        if (frame->m_pAudio != nullptr && HasAudio())
            ReadAudio(block, -1, frame);
    }

    if (m_nCurFrame < m_nLastFrame)
        Seek(m_tPosition + m_tFrame);
    else
        m_bAtEnd = 1;
    return frame;
}

CIplImage* CFrameReader::MakeOutputImage(const CIplImage* source) const
{
    if (!HasPixels(source))
        return nullptr;
    auto* picture = const_cast<CIplImage*>(source);
    const CGfxSize sourceSize = SizeOf(source);
    const CGfxSize out(m_nOutWidth, m_nOutHeight);
    const CGfxSize halfOut(out.cx, out.cy / 2);
    const CGfxSize field(sourceSize.cx, sourceSize.cy / 2);
    const bool halfWidth = GetHalfWidthOutput() && !m_bIgnoreHalfWidth;

    if (!halfWidth && !m_bFieldBased)
        return ScaleToOutput(out, source, sourceSize);

    if (!halfWidth) {
        std::unique_ptr<CIplImage> first(BlackImage(field));
        if (!first)
            return nullptr;
        ExtractField(picture, first.get());
        return ScaleToOutput(out, first.get(), field);
    }

    if (m_bFieldBased) {
        CIplImage* result = BlackImage(out);
        if (result == nullptr || sourceSize == out) {
            if (result != nullptr)
                result->CopyFrom(source);
            return result;
        }
        std::unique_ptr<CIplImage> first(BlackImage(field));
        std::unique_ptr<CIplImage> second(BlackImage(field));
        if (!first || !second) {
            delete result;
            return nullptr;
        }
        SplitFields(picture, first.get(), second.get());
        std::unique_ptr<CIplImage> firstScaled(ScaleToOutput(halfOut, first.get(), field));
        std::unique_ptr<CIplImage> secondScaled(ScaleToOutput(halfOut, second.get(), field));
        if (!firstScaled || !secondScaled) {
            delete result;
            return nullptr;
        }
        InterleaveFields(result, firstScaled.get(), secondScaled.get());
        return result;
    }

    CIplImage* half = ScaleToOutput(halfOut, source, sourceSize);
    if (half != nullptr)
        half->Resize(out.cx, out.cy);
    return half;
}

CIplImage* CFrameReader::ScaleToOutput(const CGfxSize& out, const CIplImage* image, const CGfxSize& source) const
{
    if (source == out)
        return CopyOf(image);
    if (m_bStretch)
        return ResizedOrCopy(image, out);
    return FitImage(out, image, source);
}

CIplImage* CFrameReader::FitImage(const CGfxSize& out, const CIplImage* image, const CGfxSize& source) const
{
    if (!HasPixels(image))
        return nullptr;
    if (out.cx >= source.cx && out.cy >= source.cy) {
        const LONG left = (out.cx - source.cx) / 2;
        const LONG top = (out.cy - source.cy) / 2;
        return PlaceOnBlack(out, image, RECT{left, top, left + source.cx, top + source.cy});
    }
    return LetterboxImage(out, image, source);
}

CIplImage* CFrameReader::LetterboxImage(const CGfxSize& out, const CIplImage* image, const CGfxSize& source) const
{
    if (source.cx <= 0 || source.cy <= 0 || out.cx <= 0 || out.cy <= 0)
        return BlackImage(out);
    const double sourceRatio = static_cast<double>(source.cy) / source.cx;
    const double outRatio = static_cast<double>(out.cy) / out.cx;
    if (sourceRatio == outRatio)
        return ResizedOrCopy(image, out);
    RECT rect;
    if (sourceRatio > outRatio) {
        const LONG width = static_cast<LONG>(static_cast<LONGLONG>(source.cx) * out.cy / source.cy);
        rect = RECT{(out.cx - width) / 2, 0, (out.cx - width) / 2 + width, out.cy};
    } else {
        const LONG height = static_cast<LONG>(static_cast<LONGLONG>(source.cy) * out.cx / source.cx);
        rect = RECT{0, (out.cy - height) / 2, out.cx, (out.cy - height) / 2 + height};
    }
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return BlackImage(out);
    std::unique_ptr<CIplImage> placed(ResizedOrCopy(image, CGfxSize(rect.right - rect.left, rect.bottom - rect.top)));
    if (!placed)
        return nullptr;
    return PlaceOnBlack(out, placed.get(), rect);
}

void BuildColorCubePalette(RGBQUAD* entries)
{
    if (entries == nullptr)
        return;
    for (int blue = 0; blue < 5; ++blue) {
        for (int green = 0; green < 7; ++green) {
            for (int red = 0; red < 7; ++red)
                entries[red + 7 * green + 49 * blue] = RGBQUAD{kCubeBlueLevels[blue], kCubeLevels[green], kCubeLevels[red], 0};
        }
    }
    for (int i = 0; i < 11; ++i)
        entries[245 + i] = RGBQUAD{kCubeFixed[i][2], kCubeFixed[i][1], kCubeFixed[i][0], 0};
}

void ColorsToLogPalette(const RGBQUAD* colours, LOGPALETTE* palette, INT count)
{
    if (count == 0 || palette == nullptr || colours == nullptr)
        return;
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    PALETTEENTRY* entries = palette->palPalEntry;
    for (INT i = 0; i < count; ++i)
        entries[i] = PALETTEENTRY{colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue, 0};
}

LONG DibWidth(const BITMAPINFOHEADER* header)
{
    if (header == nullptr)
        return 0;
    if (header->biSize == 12) {
        WORD width;
        std::memcpy(&width, reinterpret_cast<const BYTE*>(header) + 4, sizeof width);
        return width;
    }
    return header->biWidth;
}

LONG DibHeight(const BITMAPINFOHEADER* header)
{
    if (header == nullptr)
        return 0;
    if (header->biSize == 12) {
        WORD height;
        std::memcpy(&height, reinterpret_cast<const BYTE*>(header) + 6, sizeof height);
        return height;
    }
    return header->biHeight;
}

HGLOBAL LoadDibFile(CFile& file)
{
    HGLOBAL block = nullptr;
    try {
        BITMAPFILEHEADER header;
        if (!ReadExactly(file, &header, kFileHeaderSize) || header.bfType != kBitmapFileType)
            return nullptr;
        const ULONGLONG length = file.GetLength();
        if (length < kFileHeaderSize || length > kMaxDibFile)
            return nullptr;
        block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(length));
        if (block == nullptr)
            return nullptr;
        void* bytes = GlobalLock(block);
        const bool read = bytes != nullptr && ReadExactly(file, bytes, static_cast<UINT>(length - kFileHeaderSize));
        GlobalUnlock(block);
        if (!read) {
            GlobalFree(block);
            return nullptr;
        }
        return block;
    } catch (CFileException* error) {
        error->Delete();
        if (block != nullptr)
            GlobalFree(block);
        return nullptr;
    }
}

BITMAPINFOHEADER* ReadDibHeader(CFile& file)
{
    try {
        BITMAPFILEHEADER fileHeader;
        if (!ReadExactly(file, &fileHeader, kFileHeaderSize) || fileHeader.bfType != kBitmapFileType)
            return nullptr;
        auto header = std::make_unique<BITMAPINFOHEADER>();
        if (!ReadExactly(file, header.get(), sizeof(BITMAPINFOHEADER)))
            return nullptr;
        return header.release();
    } catch (CFileException* error) {
        error->Delete();
        return nullptr;
    }
}
