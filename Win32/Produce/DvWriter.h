#pragma once
// DVWriter: the writer of DV in AVI files (output type 3), through a filter
// graph of its own, CDVWriterGraph. The producer's pictures are pushed into
// the graph through push sources and encoded by the system DV encoder;
// frames that the producer found untouched in DV source material are not
// re-encoded but copied as the DV frames they are, through a second push
// source and the video switcher, which lets the copied frames through
// instead of the encoder's in the smart-copy ranges. The file is a type-1
// DV AVI (one 'iavs' stream, sound inside the DV frames, through the DV
// multiplexer) or a type-2 DV AVI (a 'dvsd' video stream behind the DV
// patch filter and a PCM sound stream), as the 1394 bus library's support
// query decides.
//
// Every push waits inside its push source until the graph's streaming
// thread has taken it, which paces the producer to the graph.

#include <functional>
#include <memory>
#include <vector>

#include "Filters/Common/PluginInterfaces.h"
#include "Platform/Com/Com.h"
#include "Platform/DShow/DShow.h"
#include "Platform/Vfw/Vfw.h"
#include "Win32/Produce/MediaWriter.h"


class CIplImage;
class CWaveBuffer;

// One switcher route of copied frames, in seconds of the production.
struct DvSmartRoute {
    double start = 0.0;
    double end = 0.0;
};

// The switcher routes of the smart-copy ranges, in list order: each range
// is routed from 10 ms before its start (never before 0) to 10 ms before
// its end, so the copied frame stamped at the range's start is inside and
// the encoded one at its end is not. With a frame time (100 ns units), a
// range whose ends lie off the production's frame grid (29.97 frames a
// second) is first widened to the frames holding them, which the producer
// copies.
std::vector<DvSmartRoute> ComputeSmartRoutes(const CSmartRangeList& ranges, REFERENCE_TIME frameTime = 0);

// The two DV AVI file types: type 1 keeps the sound inside the DV frames of
// one interleaved stream, type 2 has a DV video stream and a PCM sound
// stream of its own.
constexpr int kDvAviType1 = 1;
constexpr int kDvAviType2 = 2;

// The DV file type the 1394 bus library asks for: type 2 when it answers
// its support query with 1 and a support value above 0, otherwise type 1.
int QueryDvAviType();

// The DV frame of a production of `height` lines: 144,000 bytes of the
// 625/50 system for 576 lines, 120,000 bytes of the 525/60 system for any
// other height. Whether `data` is such a frame: its size and the system
// bit of its header agree.
bool IsDvFrameOfSystem(const BYTE* data, LONG length, LONG height);

// The graph: push sources -> DV encoder (-> DV patch filter) (-> switcher
// with the copied frames' push source) -> DV multiplexer or AVI
// multiplexer (<- sound's push source) -> file writer. Every operation
// returns an HRESULT; E_POINTER when the interface (or the frame bitmap)
// it needs is missing. The operations are virtual so that tests can stand
// in a graph of their own.
class CDVWriterGraph {
public:
    CDVWriterGraph() = default;
    virtual ~CDVWriterGraph();

    CDVWriterGraph(const CDVWriterGraph&) = delete;
    CDVWriterGraph& operator=(const CDVWriterGraph&) = delete;

    // `audio` null: no sound. `dvType` kDvAviType1 or kDvAviType2. `path`
    // is the file the file writer creates. A type-1 file refuses a sound
    // format the DV multiplexer cannot pack (16-bit stereo PCM at 32, 44.1
    // or 48 kHz) before anything is built.
    virtual HRESULT Build(const BITMAPINFOHEADER& header, REFERENCE_TIME frameTime, const WAVEFORMATEX* audio,
                          int dvType, LPCWSTR path, int totalFrames, const CSmartRangeList& ranges);
    virtual HRESULT ConfigureInterleaving(int mode, REFERENCE_TIME interleave, REFERENCE_TIME preroll);
    virtual HRESULT SetNotifyWindow(HWND window, UINT message, LONG_PTR lParam);
    virtual HRESULT Run();
    virtual HRESULT Stop();
    // Drains the graph's queued events without waiting: *complete 1 after
    // EC_COMPLETE; the first parameter of an error event is the result; it
    // stops at completion or a negative result.
    virtual HRESULT ProcessEvents(int* complete);
    virtual HRESULT DeliverVideo(const CIplImage& image);
    virtual HRESULT DeliverAudio(const CWaveBuffer& block);
    // Null repeats the last copied frame.
    virtual HRESULT DeliverCompressed(IMediaSample* sample);
    virtual HRESULT EndVideo();
    // Ends the streams of the sound and the copied frames as well and
    // waits up to `milliseconds` until the file writer has the whole file
    // (EC_COMPLETE); S_FALSE when the time ran out.
    virtual HRESULT EndAllStreams(LONG milliseconds);
    virtual bool HasAudio() const { return static_cast<bool>(m_pAudioSource); }

    com::ComPtr<IGraphBuilder> m_pGraphBuilder;
    com::ComPtr<IBaseFilter> m_pAviMux;
    com::ComPtr<IKLPushSource> m_pAudioSource;
    com::ComPtr<IKLPushSource> m_pVideoSource;
    com::ComPtr<IKLPushSource> m_pCompressedSource;
    com::ComPtr<IMediaControl> m_pMediaControl;
    BITMAPINFOHEADER* m_pFrameDib = nullptr;

private:
    // The filters and pins of the graph being built, by branch.
    struct Branches;

    // Build's steps, in the order the filters join the graph.
    HRESULT CreateGraph();
    HRESULT AddFileWriter(LPCWSTR path, Branches& branches);
    HRESULT AddVideoSource(const BITMAPINFOHEADER& header, REFERENCE_TIME frameTime, Branches& branches);
    HRESULT AddAudioSource(const WAVEFORMATEX& audio, REFERENCE_TIME frameTime, Branches& branches);
    HRESULT AddEncoderAndMultiplexers(int dvType, Branches& branches);
    // Connects the video branch once, so that the encoder's output type
    // settles, and sets the encoder's format.
    HRESULT ConnectVideoBranch(int dvType, LONG height, Branches& branches);
    // Reconnects the video branch (through the switcher when there are copy
    // ranges), then the sound branch and the multiplexers to the file
    // writer.
    HRESULT ConnectOutputBranches(int dvType, REFERENCE_TIME frameTime, int totalFrames,
                                  const CSmartRangeList& ranges, Branches& branches);

    HRESULT AddPushSource(const char* name, const AM_MEDIA_TYPE& type, int bytesPerBuffer,
                          com::ComPtr<IKLPushSource>& push, com::ComPtr<IBaseFilter>& filter);
    HRESULT SetEncoderFormat(IBaseFilter* encoder, LONG height);
    // Puts the switcher behind `videoOut` with the copied frames' source on
    // its second input; `videoOut` becomes the switcher's output. Any
    // failure on the way leaves the graph as it was or the switcher with
    // one input.
    void InsertSwitcher(com::ComPtr<IPin>& videoOut, REFERENCE_TIME frameTime, int totalFrames,
                        const CSmartRangeList& ranges);

    bool m_bVideoEnded = false;
};

class DVWriter : public MediaWriter {
public:
    explicit DVWriter(HWND notifyWindow = nullptr);
    ~DVWriter() override;

    int Write(MediaFrame& frame, int smart) override;
    int Close(int finish) override;
    int HandleNotify(long lParam) override;
    // Copies the format while it is not locked.
    int SetAudioFormat(PCMWAVEFORMAT format) override;

    // 2 once the graph exists.
    int SetOutputName(LPCSTR name);
    // 7 for a width that is not a multiple of 4.
    int SetFrameSize(int width, int height);
    int SetFrameTime(DWORD microseconds);
    void SetCompressOptions(const AVICOMPRESSOPTIONS& options);
    int SetBitDepth(int bits);
    void SetCompressorHandler(FOURCC handler) { m_videoOptions.fccHandler = handler; }
    // With the compressor 'dvsd': 16-bit stereo PCM at 44.1 kHz for 2,
    // 48 kHz for 3 and 32 kHz for any other code; 1 also marks the
    // production silent (a track of silence is still written). The format
    // is locked either way.
    void SetAudioIndex(int code);
    // Has no effect on the output.
    void SetInterleave(int, double) {}

    // The graph tests put in place of the real one.
    std::function<CDVWriterGraph*()> m_makeGraph;

    std::unique_ptr<CDVWriterGraph> m_pGraph;
    AVISTREAMINFO m_videoInfo{};
    BITMAPINFOHEADER m_bih{};
    AVICOMPRESSOPTIONS m_videoOptions{};
    HWND m_hNotifyWnd = nullptr;

private:
    int Open(bool withAudio);
    void DestroyGraph();
    // This writer's one frame of silence in its sound format, made on
    // first need and kept for its production; frames without sound are
    // pushed with it (it is never put into a frame).
    const CWaveBuffer* Silence();
    int WriteVideo(MediaFrame& frame, bool& counted);
    void Log(LPCSTR text, int above) const;

    std::unique_ptr<CWaveBuffer> m_pSilence;
    DWORD m_nSilenceTime = 0;
    bool m_bRunning = false;
    bool m_bVideoEnded = false;
    int m_nVideoFailures = 0;
};
