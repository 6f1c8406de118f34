#pragma once
// CDShowReader: the frame reader of every video file and of MP3 and MP2
// sound. The file is opened in a private filter graph whose video and audio
// paths end in the frame-grab sinks; the graph runs free (as fast as the
// sinks take samples) and each read pulls the decoded picture or the sound
// that belongs to the wanted time. Sound reaches the caller's format through
// the audio resampler filter; for smart-copy ranges a switcher splits the
// compressed video so that frames inside the ranges come back as raw
// samples.
//
// Grab times: see MediaSource.h ("Grab times").
//
// Threads: the reader is made, read and deleted on the UI thread under no
// lock of its own; its graph's streaming threads reach it only through the
// grab sinks (they fill them, the reader empties them, under the sinks'
// locks) and through graph events, which come back as message 0x412 to the
// main window and so to OnReaderGraphEvent on the UI thread, where the list
// of live readers is checked under g_liveLock (DShowReader.cpp).

#include <string>

#include "Filters/Common/PluginInterfaces.h"
#include "Win32/Sb/Media/FrameReader.h"
#include "Win32/Utils/QORGraphBuilder.h"

class CDShowReader : public CFrameReader, public QORGraphBuilder {
public:
    // Status values.
    static constexpr SHORT kOpen = 0;
    static constexpr SHORT kGraphFailed = -3;
    static constexpr SHORT kUnsupportedVideo = -4;
    // The source frame duration assumed when a file gives none (100 ns).
    static constexpr LONGLONG kDefaultFrame = 333667;

    CDShowReader(LPCSTR path, INT videoStream, INT audioStream);
    ~CDShowReader() override;

    // CFrameReader.
    void ReadAudio(INT block, INT ignored, MediaFrame* frame) override;
    void ReadVideo(INT frameIndex, INT heldIndex, MediaFrame* frame) override;
    INT IsOpenImpl() override;
    INT CanAllocateImage() override;

    // CMediaSource.
    INT HasVideo() override;
    INT HasAudio() override;
    INT GetAudioFormat(WAVEFORMATEX* format) override;
    WAVEFORMATEX* GetNativeAudioFormat() override;
    BITMAPINFOHEADER* GetVideoHeader() override;
    INT GetVideoSubtype(GUID* subtype) override;
    MediaFrame* GetAudio(INT* failed, WAVEFORMATEX* format, INT want) override;
    HRESULT SeekGraph(CMediaTime time) override;

    // QORGraphBuilder: events are drained and ignored; the chosen streams'
    // types and indices are kept.
    HRESULT OnGraphEvent(LONG code, LONG_PTR param1, LONG_PTR param2) override;
    void OnVideoStream(int index, const AM_MEDIA_TYPE* type) override;
    void OnAudioStream(int index, const AM_MEDIA_TYPE* type) override;

    // The main window's handler of message 0x412: drains the graph of the
    // reader named by lParam when that reader is still alive.
    static void OnReaderGraphEvent(LPARAM lParam);

    SHORT m_nStatus = kOpen;
    INT m_nVideoStream = -1;
    INT m_nAudioStream = -1;
    AM_MEDIA_TYPE m_mtVideo{};
    AM_MEDIA_TYPE m_mtAudio{};
    WAVEFORMATEX* m_pNativeAudioFormat = nullptr;
    BITMAPINFOHEADER* m_pVideoHeader = nullptr;
    com::ComPtr<IKLFrameGrab> m_pVideoGrab;
    com::ComPtr<IKLFrameGrab> m_pAudioGrab;
    com::ComPtr<IKLFrameGrab> m_pQuickGrab;
    std::vector<BYTE> m_pVideoFormat;
    std::vector<BYTE> m_pDib;
    BYTE* m_pDibBits = nullptr;
    std::vector<BYTE> m_pAudioFormat;
    LONGLONG m_rtFrame = kDefaultFrame;
    WAVEFORMATEX m_NativeFormat{};
    INT m_bRunning = 0;
    INT m_nCacheOffset = 0;
    INT m_nCacheCount = 0;
    INT m_nCacheSize = 0;
    std::vector<BYTE> m_pCache;
    // The stream's sound is placed on its time once a run, by its first
    // stamped sample: the silence still owed to the caller before it, or
    // the bytes still to cut from its start.
    INT m_bSoundPlaced = 0;
    LONGLONG m_nSilenceOwed = 0;
    LONGLONG m_nSoundToCut = 0;
    // The sound branch gave nothing within a whole wait: the reader's sound
    // is silence from then on.
    INT m_bSoundGone = 0;
    // Where the graph's run started (100 ns, media time) and the index of
    // the source frame holding that time: the run's frame k is read at
    // the start plus k output frames and shows source frame first + k.
    REFERENCE_TIME m_rtRunStart = 0;
    LONGLONG m_nRunFirstSample = 0;
    // -1 nothing grabbed yet; 1 the last frame came from the video grab
    // sink; 2 from the quick grab renderer.
    INT m_nGrabState = -1;
    std::string m_strPath;

private:
    HRESULT MeasureDuration(REFERENCE_TIME* duration);
    // Reads the chosen video stream's format; false for a format type the
    // reader does not know.
    bool InitVideoFormat(REFERENCE_TIME duration);
    HRESULT Prepare(const MediaFrame* frame);
    HRESULT BuildVideoChain();
    HRESULT BuildAudioChain(const WAVEFORMATEX* target);
    HRESULT InsertSwitcher(com::ComPtr<IKLSwitcher>& switcher);
    void AddQuickGrab(IKLSwitcher* switcher, IBaseFilter* switcherFilter);
    HRESULT InsertResampler(const WAVEFORMATEX* target);
    void ReadFrame(INT index, INT heldIndex, MediaFrame* frame);
    void GrabVideo(MediaFrame* frame);
    // Fills the frame's block with the sound from media time `time` (100 ns).
    void GrabAudio(REFERENCE_TIME time, MediaFrame* frame);
    // Refills the cache from the audio grab sink; false when nothing came.
    bool RefillSoundCache(REFERENCE_TIME time);
    // Places the cached sample that starts at `start` (stream time, 100 ns)
    // on the stream's time line.
    void PlaceSound(REFERENCE_TIME start);
    // Whether the frame read at `time` lies in a copy range: the range's
    // times are the positions of its first frame and of the frame after
    // its last.
    bool InSmartRange(REFERENCE_TIME time) const;
    double SourceFrameUnits() const;
    // The frame of the run read at `time`, counted from its start.
    LONGLONG RunFrameAt(REFERENCE_TIME time) const;
    // The time the switcher sends copies from for the run's frame k: half
    // a source frame before the start of the source frame it shows, so
    // that rounded sample times fall on the right side.
    double RouteSecondsFor(LONGLONG runFrame) const;
    void DropQueued(IKLFrameGrab* grab, REFERENCE_TIME time);
    // The level of the sound at the position, with the fades.
    INT LevelAt() const;
};

// The start-up check: the plug-in filters the program cannot work without
// must be creatable; a missing one is named in a message. 1 when the
// program may start.
INT CheckRequiredFilters();
