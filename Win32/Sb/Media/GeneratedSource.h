#pragma once
// CGeneratedSource: the frame source of a scene without a media file (a
// colour background, the filler beside a transition). Every frame is a
// fresh image of one colour with the scene's effects drawn on it, and,
// when asked, a silent audio block. It never reaches an end.

#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Media/MediaSource.h"

class CIplImage;
class CWaveBuffer;

class CGeneratedSource : public CMediaSource {
public:
    // `fillColor` is a COLORREF (red in the low byte). With `withAudio` a
    // silent block is made in `format`, or in 22,050 Hz 8-bit mono without
    // one.
    CGeneratedSource(COLORREF fillColor, INT width, INT height, DWORD frameTime, INT frameCount,
                     const WAVEFORMATEX* format, INT withAudio);
    ~CGeneratedSource() override;

    MediaFrame* GetFrame(INT* failed, INT wantVideo, INT wantAudio, WAVEFORMATEX* format) override;
    MediaFrame* GetNativeFrame(INT* failed, INT wantVideo, INT wantAudio) override;
    INT IsOpen() override;
    INT HasVideo() override;
    INT HasAudio() override;
    INT GetAudioFormat(WAVEFORMATEX* format) override;
    WAVEFORMATEX* GetNativeAudioFormat() override;
    BITMAPINFOHEADER* GetVideoHeader() override;
    void SetEffects(const EffectList* effects) override;

    COLORREF m_nFillColor = 0;
    // Made at construction; the source is open while it exists.
    CIplImage* m_pImage = nullptr;
    CWaveBuffer* m_pAudioBlock = nullptr;
    INT m_bHasVideo = 0;
    INT m_bHasAudio = 0;
    // The 16 PCM bytes are what count; cbSize stays 0.
    WAVEFORMATEX m_AudioFormat{};
    WAVEFORMATEX m_NativeFormat{};

private:
    // A new frame: an image of the output size in the fill colour when
    // asked, a silent block of one output frame in `format` when given.
    MediaFrame* MakeFrame(INT wantVideo, const WAVEFORMATEX* format);
};

// The name the storyboard model knows this source by.
using CEffectOnlySource = CGeneratedSource;
