#pragma once
// Helpers shared by the media source tests: a frame reader that paints
// numbered solid pictures and records what it was asked, an effect that
// records the times it is drawn at, and pixel helpers.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/Effect.h"
#include "Win32/Sb/Document/EffectList.h"
#include "Win32/Sb/Media/FrameReader.h"
#include "Win32/Sb/Media/MediaFile.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace media_tests {

inline CMediaTime Seconds(double seconds)
{
    CMediaTime time;
    time.SetSeconds(seconds);
    return time;
}

inline CMediaTime Microseconds(double microseconds)
{
    return CMediaTime(0, 0, 0, microseconds, CMediaTime::kMicroseconds);
}

inline WAVEFORMATEX PcmFormat(WORD channels, DWORD rate, WORD bits)
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    format.wBitsPerSample = bits;
    return format;
}

// The colour of a pixel as a COLORREF.
inline COLORREF PixelAt(const CIplImage* image, int x, int y)
{
    const IplImage* ipl = image->GetImage();
    const auto* p = reinterpret_cast<const BYTE*>(ipl->imageData) + static_cast<ptrdiff_t>(y) * ipl->widthStep + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

inline int WidthOf(const CIplImage* image)
{
    return image != nullptr && image->GetImage() != nullptr ? image->GetImage()->width : 0;
}

inline int HeightOf(const CIplImage* image)
{
    return image != nullptr && image->GetImage() != nullptr ? image->GetImage()->height : 0;
}

// The solid colour that NumberedReader paints source frame `index` in.
inline COLORREF ColorOfFrame(int index)
{
    return RGB(static_cast<BYTE>(20 + index % 200), 90, 160);
}

using FramePtr = std::unique_ptr<MediaFrame>;

// A picture reader whose source frame n is a solid ColorOfFrame(n) (or,
// with rows set, rows alternating ColorOfFrame(n) and white), which decodes
// only when the frame index changes, and which fills audio block n with the
// byte n.
class NumberedReader : public CFrameReader {
public:
    struct VideoCall {
        int index;
        int held;
        bool sawAudio;
    };

    NumberedReader(int width, int height, double framesPerSecond, int frameCount, bool audio = false)
        : m_bAudio(audio)
    {
        const DWORD frameTime = static_cast<DWORD>(1000000.0 / framesPerSecond + 0.5);
        InitVideo(0, frameCount, frameTime, width, height, 24);
        if (audio)
            InitAudio(0, frameCount, frameTime, 1, 11025, 8);
        m_tLength.SetSeconds(frameCount / framesPerSecond);
    }

    void ReadVideo(INT index, INT held, MediaFrame* frame) override
    {
        m_videoCalls.push_back({index, held, frame->m_pAudio != nullptr});
        if (index == held)
            return;
        frame->m_pImage->FillColor(ColorOfFrame(index));
        if (m_bRows) {
            IplImage* ipl = frame->m_pImage->GetImage();
            for (int y = 1; y < ipl->height; y += 2)
                std::memset(ipl->imageData + static_cast<ptrdiff_t>(y) * ipl->widthStep, 0xFF, static_cast<size_t>(ipl->width) * 3);
        }
    }
    void ReadAudio(INT block, INT, MediaFrame* frame) override
    {
        m_audioBlocks.push_back(block);
        if (frame->m_pAudio != nullptr)
            std::memset(frame->m_pAudio->m_pData, block & 0xFF, frame->m_pAudio->m_nLength);
    }
    INT HasAudio() override { return m_bAudio ? 1 : 0; }
    INT IsOpenImpl() override { return 1; }
    INT CanAllocateImage() override { return 1; }

    bool m_bAudio;
    bool m_bRows = false;
    std::vector<VideoCall> m_videoCalls;
    std::vector<int> m_audioBlocks;
};

// An effect of one kind that records the times it is drawn at and fills
// the frame with its colour.
class RecordingEffect : public Effect {
public:
    struct Log {
        std::vector<double> times;
        int attached = 0;
        int detached = 0;
    };

    RecordingEffect(std::shared_ptr<Log> log, COLORREF colour, double fromSeconds = 0.0, double toSeconds = 3600.0,
                    INT kind = kColor)
        : Effect(kind), m_log(std::move(log)), m_colour(colour)
    {
        SetKeyTime(Seconds(fromSeconds), 0);
        SetKeyTime(Seconds(toSeconds), 3);
    }

    bool AttachRenderer(CIplImage*, double, BYTE) override
    {
        ++m_log->attached;
        m_bRenderer = true;
        return true;
    }
    INT DetachRenderer() override
    {
        ++m_log->detached;
        m_bRenderer = false;
        return 1;
    }
    bool HasRenderer() override { return m_bRenderer; }
    CIplImage* Render(CIplImage* image, CWaveBuffer*, CMediaTime* time) override
    {
        m_log->times.push_back(time->GetSeconds());
        if (image != nullptr)
            image->FillColor(m_colour);
        return image;
    }
    Effect* Clone() const override { return new RecordingEffect(m_log, m_colour, GetKeyTime0().GetSeconds(), GetKeyTime3().GetSeconds(), GetKind()); }

private:
    std::shared_ptr<Log> m_log;
    COLORREF m_colour;
    bool m_bRenderer = false;
};

// A reader factory whose readers tests can see: it records each request
// and hands out a scripted reader, or null.
class RecordingFactory : public CMediaReaderFactory {
public:
    struct Request {
        std::string kind;
        std::string path;
    };

    // What a made reader says about its streams.
    struct Streams {
        bool videoSubtype = false;
        bool video = true;
        bool audio = false;
    };

    // A reader that is open or not, answers the stream questions as told
    // and counts its Close calls.
    class ScriptedReader : public CMediaSource {
    public:
        ScriptedReader(bool open, const Streams& streams, int* closes)
            : m_bOpen(open), m_streams(streams), m_pCloses(closes)
        {
        }
        INT IsOpen() override { return m_bOpen ? 1 : 0; }
        INT GetVideoSubtype(GUID*) override { return m_streams.videoSubtype ? 1 : 0; }
        INT HasVideo() override { return m_streams.video ? 1 : 0; }
        INT HasAudio() override { return m_streams.audio ? 1 : 0; }
        SHORT Close() override
        {
            ++*m_pCloses;
            return 0;
        }
        bool m_bOpen;
        Streams m_streams;
        int* m_pCloses;
    };

    CMediaSource* CreateDShowReader(LPCSTR path) override { return Make("dshow", path); }
    CMediaSource* CreateAviFileReader(LPCSTR path) override { return Make("avifile", path); }
    CMediaSource* CreateStillImageReader(LPCSTR path) override { return Make("still", path); }
    CMediaSource* CreateRealMediaReader(LPCSTR path) override { return Make("realmedia", path); }

    // What the next readers do: made and open, made and closed, or not made.
    enum class Outcome { Open, NotOpen, NoReader };
    Outcome m_outcome = Outcome::Open;
    Streams m_streams;
    std::vector<Request> m_requests;
    int m_nCloses = 0;

private:
    CMediaSource* Make(const char* kind, LPCSTR path)
    {
        m_requests.push_back({kind, path});
        if (m_outcome == Outcome::NoReader)
            return nullptr;
        return new ScriptedReader(m_outcome == Outcome::Open, m_streams, &m_nCloses);
    }
};

// Installs a factory for the life of the object.
class ScopedReaderFactory {
public:
    explicit ScopedReaderFactory(CMediaReaderFactory* factory) : m_previous(CMediaFile::SetReaderFactory(factory)) {}
    ~ScopedReaderFactory() { CMediaFile::SetReaderFactory(m_previous); }
    ScopedReaderFactory(const ScopedReaderFactory&) = delete;
    ScopedReaderFactory& operator=(const ScopedReaderFactory&) = delete;

private:
    CMediaReaderFactory* m_previous;
};

// Sets the half-width output flag for the life of the object.
class ScopedHalfWidth {
public:
    explicit ScopedHalfWidth(INT value) : m_previous(GetHalfWidthOutput()) { SetHalfWidthOutput(value); }
    ~ScopedHalfWidth() { SetHalfWidthOutput(m_previous); }
    ScopedHalfWidth(const ScopedHalfWidth&) = delete;
    ScopedHalfWidth& operator=(const ScopedHalfWidth&) = delete;

private:
    INT m_previous;
};

} // namespace media_tests
