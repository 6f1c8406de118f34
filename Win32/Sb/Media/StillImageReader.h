#pragma once
// CStillImageReader: a still image as a frame source of five 1-second
// frames, every frame the same picture. 16-bit BMP files (5-5-5 or 5-6-5
// bit fields) are read by the reader itself; every other picture through
// the still-image library, converted to 24 bits unless it is a palette
// image, whose palette is kept.

#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Media/FrameReader.h"

class CStillImageReader : public CFrameReader {
public:
    // With `load` set the picture is kept for the frames; the two last
    // arguments are not used.
    CStillImageReader(LPCSTR path, INT load, INT unused1, INT unused2);
    ~CStillImageReader() override;

    BITMAPINFOHEADER* GetVideoHeader() override;
    void ReadAudio(INT block, INT ignored, MediaFrame* frame) override;
    void ReadVideo(INT frameIndex, INT heldIndex, MediaFrame* frame) override;
    INT IsOpenImpl() override;
    INT CanAllocateImage() override;

    // The picture as a packed DIB: info header, colours or masks, bits.
    HGLOBAL m_hDib = nullptr;
    INT m_bLoaded = 0;
    BITMAPINFOHEADER m_Header{};
    HPALETTE m_hPalette = nullptr;

private:
    bool Load16BitBmp(LPCSTR path);
    bool LoadThroughLibrary(LPCSTR path, INT load);
};
