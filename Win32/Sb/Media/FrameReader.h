#pragma once
// CFrameReader: the base of the readers that deliver pictures. It keeps the
// decoded source image (decoded once per source frame index), turns it into
// an image of the output size (stretched, or fitted with its aspect ratio
// kept, field by field for field-based material), draws the scene's effects
// onto it with times relative to the in point, and fetches audio in the
// caller's format. A concrete reader supplies ReadVideo and ReadAudio for
// frame n and audio block n.
//
// Also here: the small DIB and palette functions the readers and the
// document share.
//
// Threads: like every CMediaSource, a frame reader is called on the UI
// thread alone, under no lock, and so is the half-width output flag below.

#include "Platform/Mfc/Forward.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Imaging/SharedPalette.h"
#include "Win32/Sb/Media/MediaSource.h"

class CIplImage;

// The application's half-width output flag: set by the produce settings for
// the 320 x 480 and 384 x 576 frame sizes, read when output images are
// made, both on the UI thread, so it takes no lock.
INT GetHalfWidthOutput();
void SetHalfWidthOutput(INT halfWidth);

class CFrameReader : public CMediaSource {
public:
    // The bias that rounds a seek time to the frame it mostly falls in.
    static constexpr double kSeekBias = 0.4347826086956522;

    CFrameReader();
    ~CFrameReader() override;

    void SetStretch(INT stretch) override;
    CMediaTime Seek(CMediaTime time) override;
    MediaFrame* GetFrame(INT* failed, INT wantVideo, INT wantAudio, WAVEFORMATEX* format) override;
    MediaFrame* GetNativeFrame(INT* failed, INT wantVideo, INT wantAudio) override;
    INT IsOpen() override;
    INT GetAudioFormat(WAVEFORMATEX* format) override;
    void SetEffects(const EffectList* effects) override;

    // Fills the frame's audio block with block `block` of the source.
    virtual void ReadAudio(INT block, INT ignored, MediaFrame* frame) = 0;
    // Decodes source frame `frameIndex` into the frame's image, or puts a
    // new image in its place (the base deletes the one it replaced);
    // `heldIndex` is the frame the image holds now (-1 for none).
    virtual void ReadVideo(INT frameIndex, INT heldIndex, MediaFrame* frame) = 0;
    virtual INT IsOpenImpl() = 0;
    // 1 lets the base allocate the source image itself.
    virtual INT CanAllocateImage() = 0;

    // `image` (of size `source`) on a black image of size `out`: centred
    // when it fits, else scaled into the middle with its aspect ratio kept.
    // A new image owned by the caller, or null when memory is short.
    CIplImage* FitImage(const CGfxSize& out, const CIplImage* image, const CGfxSize& source) const;

    INT m_nFirstFrame = 0;
    INT m_nLastFrame = 0;
    INT m_nCurFrame = 0;
    INT m_nBitCount = 8;
    INT m_nDecodedFrame = -1;
    CMediaTime m_tSourceFrame2;
    INT m_nChannels = 0;
    INT m_nSampleRate = 0;
    INT m_nBitsPerSample = 0;
    CIplImage* m_pSourceImage = nullptr;
    CSharedPalette* m_pPalette = nullptr;

protected:
    // Called from the readers' constructors; a zero frame time keeps the
    // source frame time the reader set.
    void InitVideo(INT first, INT count, DWORD frameTime, INT width, INT height, INT bitCount);
    void InitAudio(INT first, INT count, DWORD frameTime, INT channels, INT rate, INT bits);

private:
    CIplImage* MakeOutputImage(const CIplImage* source) const;
    CIplImage* ScaleToOutput(const CGfxSize& out, const CIplImage* image, const CGfxSize& source) const;
    CIplImage* LetterboxImage(const CGfxSize& out, const CIplImage* image, const CGfxSize& source) const;
    // The block index for the position: ceil(position / output frame).
    INT AudioBlockIndex() const;
    // A silent block of one output frame in `format`; sets the failure flag
    // when it cannot be made.
    CWaveBuffer* MakeSilentBlock(const WAVEFORMATEX* format);
    // Makes the source image on first use; 0 when there is none.
    INT EnsureSourceImage();
    void ReadSourceImage(MediaFrame* result, bool takeSample);
};

// The preview colour cube: 245 entries (red + 7 x green + 49 x blue over
// levels 0, 64, 128, 160, 192, 224, 255 and, for blue, 0, 64, 128, 192,
// 255), then 11 fixed colours.
void BuildColorCubePalette(RGBQUAD* entries);
// Version 0x300, the count and one entry per colour with flags 0; nothing
// for a zero count or a null palette.
void ColorsToLogPalette(const RGBQUAD* colours, LOGPALETTE* palette, INT count);
// From a 40-byte BITMAPINFOHEADER or a 12-byte BITMAPCOREHEADER.
LONG DibWidth(const BITMAPINFOHEADER* header);
LONG DibHeight(const BITMAPINFOHEADER* header);
// The file after its 14-byte "BM" header, in a zero-filled movable global
// block of the file's length; null on a short read or a bad header.
HGLOBAL LoadDibFile(CFile& file);
// The 40-byte info header behind the "BM" file header, in a new record the
// caller deletes; null on a short read or a bad header.
BITMAPINFOHEADER* ReadDibHeader(CFile& file);
