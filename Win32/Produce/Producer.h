#pragma once
// CProducer: turns the storyboard's slots first..last into one file. It
// makes the writer for the settings' output type, checks that every
// scene's media opens (offering to relocate missing files), counts the
// frames, sets up the audio mixer, then walks the slots: scenes frame by
// frame through their readers, transitions by blending their two
// neighbours, every frame with its mixed audio through PassToWriter to the
// writer. After every frame it polls the message pump, so Escape cancels;
// at the end it closes the writer exactly once with success or failure.
// A hidden child window (id 999) hands the graph events (0x412) of the
// writers that run graphs to the writer.
//
// Threads: the producer and its notify window live on the UI thread, which
// Produce keeps pumping between frames, and take no lock; the writers'
// graph threads reach them only by posting graph events to the notify
// window, which that same thread handles.
//
// Results: 0, or one of the kProduce* codes.

#include <functional>
#include <memory>

#include "Platform/Mfc/String.h"
#include "Platform/Mfc/Wnd.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Win32/Produce/MediaWriter.h"
#include "Win32/Utils/MediaTime.h"

class Storyboard;
class StoryboardItem;
class Scene;
class Transition;
class CMediaSource;
class CIplImage;
class CSharedPalette;
class CProductionSettings;
class CProductionAudioMixer;
class CProductionDisplay;
class CProducer;

constexpr int kProduceAudioOnlyRejected = -91;
constexpr int kProduceLoneTransition = -92;
constexpr int kProduceWriteFailed = -93;
constexpr int kProduceMediaMissing = -94;
constexpr int kProduceOpenFailed = -95;
constexpr int kProduceStopped = -96;
constexpr int kProduceCancelled = -97;
constexpr int kProduceFailed = -99;
constexpr int kProduceNothing = -100;

// The hidden child window that receives the writers' graph events.
class CProducerNotifyWnd : public CWnd {
public:
    static constexpr UINT kControlId = 999;
    static constexpr UINT kGraphEventMessage = 0x412;

    explicit CProducerNotifyWnd(CProducer* producer) : m_pProducer(producer) {}
    ~CProducerNotifyWnd() override;
    // A 3 x 3 hidden child of `parent` (a hidden top-level window without
    // one).
    BOOL CreateHidden(HWND parent);

protected:
    afx_msg LRESULT OnGraphEvent(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    CProducer* m_pProducer;
};

class CProducer {
public:
    // Registry key of the low-disk level when string 1605 is missing.
    static constexpr const char* kOptionsKey = "Software\\QOR\\KESTRELO\\General Options";
    static constexpr const char* kLowDiskValue = "Low Disk Level";
    static constexpr int kDefaultLowDiskLevel = 5;

    // The writer comes from CreateWriter.
    CProducer(Storyboard* storyboard, CProductionSettings* settings, CProductionDisplay* display);
    // Produces through `writer` (owned from here on) instead; `audioOn`
    // says whether it carries audio.
    CProducer(Storyboard* storyboard, CProductionSettings* settings, CProductionDisplay* display,
              MediaWriter* writer, bool audioOn);
    ~CProducer();

    CProducer(const CProducer&) = delete;
    CProducer& operator=(const CProducer&) = delete;

    // `first` and `last` are 16-bit slot numbers; 0 and 0x7FFF ask for the
    // whole storyboard.
    int Prepare(int first, int last);
    // The produced file's name goes to `name` on success.
    int Produce(CString& name);
    // With `create` 0 the writer is deleted. Otherwise a writer for the
    // settings' output type, configured from them: 2 MPEG, 3 DV, 4 Windows
    // Media, 5 RealVideo, the AVI writer for every other type.
    MediaWriter* CreateWriter(const CProductionSettings& settings, int create);
    MediaWriter* CreateAviWriter(const CProductionSettings& settings);
    MediaWriter* CreateMpegWriter(const CProductionSettings& settings);
    MediaWriter* CreateDvWriter(const CProductionSettings& settings);
    MediaWriter* CreateWindowsMediaWriter(const CProductionSettings& settings);
    MediaWriter* CreateRealVideoWriter(const CProductionSettings& settings);
    // 1 when the writer handled the event (its HandleNotify returned 0).
    LRESULT ForwardGraphEvent(WPARAM wParam, LPARAM lParam);

    // Frame hand-over (FrameHandOver.h): every output frame passes here
    // (the frame stays the caller's).
    int PassToWriter(MediaFrame* frame);
    // Adds the unchanged-copy ranges of the DV scene in slot `slot` to
    // `list`, in production time; whether the list holds any.
    int BuildSmartRanges(CSmartRangeList& list, int slot);
    // Sets an audio-clip reader's frame time, its range first..second (µs)
    // and its start.
    static void SetClipTimes(CMediaSource* source, const CMediaTime& frameDuration, LONGLONG first, LONGLONG second);
    // Whether a DV source of `sourceFrameTime` µs may be copied unchanged
    // into a writer of `writerFrameTime` µs: less than 5 µs apart.
    static bool FrameTimesMatchForCopy(int sourceFrameTime, DWORD writerFrameTime);
    // Writer result of a normal write as a production result.
    static int MapWriterCode(int code);

    // Replaces the free-space query (tests).
    using FreeSpaceQuery = std::function<BOOL(LPCSTR folder, ULONGLONG* freeBytes)>;
    void SetFreeSpaceQuery(FreeSpaceQuery query) { m_freeSpace = std::move(query); }

    MediaWriter* GetWriter() const { return m_pWriter.get(); }
    CProducerNotifyWnd* GetNotifyWindow() const { return m_pNotifyWnd.get(); }
    int GetTotalFrames() const { return m_nTotalFrames; }
    int GetFramesWritten() const { return m_nFramesWritten; }
    int GetFirstSlot() const { return m_nFirstSlot; }
    int GetLowDiskLevel() const { return m_nLowDiskLevel; }
    const CMediaTime& GetCurrentTime() const { return m_tCurrent; }
    CProductionAudioMixer* GetMixer() const { return m_pMixer.get(); }
    const WAVEFORMATEX& GetAudioFormat() const { return m_AudioFormat; }
    const CSharedPalette* GetPalette() const { return m_pPalette.get(); }

private:
    struct SlotWindow {
        int slot = 0;
        Transition* transition = nullptr;
        Transition* nextTransition = nullptr;
        Transition* previousTransition = nullptr;
        Scene* scene = nullptr;
        Scene* sceneA = nullptr;
        Scene* sceneB = nullptr;
    };

    void Construct(CProductionSettings* settings);
    int ReadLowDiskLevel() const;
    int CheckSceneMedia(Scene* scene, int* smartOk);
    int CheckSceneWithRelocation(Scene* scene, int* smartOk);
    void WidenAudioFormatForClips(Scene* scene);
    void CreateSmartCopyImage();
    int OpenFirstSlot();
    int OpenSceneReader(Scene* scene);
    int AdvanceSlot(int i);
    int WriteSlot();
    int WriteSceneVideo();
    int WriteTransition();
    MediaFrame* GetSceneFrame(Scene* scene, int level);
    int AttachSceneAudioClips(Scene* scene);
    int UpdateClipSource(CMediaSource* source, int slot);
    int CheckCancel();
    void UpdateProgress();

    // The frame hand-over's steps, in FrameHandOver.cpp.
    int CheckLowDisk();
    // CheckCancel, logged as the hand-over's.
    int CheckHandOverCancel();
    WAVEFORMATEX WriterAudioFormat() const;
    // The production time of the next frame to write (100 ns).
    LONGLONG WrittenTime() const;
    void CountWrittenFrame();
    // Mix: the frame's sound and the clips' become one block of
    // `writerFormat` in the frame; the fades in and out start on the way.
    int MixFrameAudio(MediaFrame* frame, const WAVEFORMATEX& writerFormat);
    int UpdateClipSources();
    // Progress: the count, and the frame's picture or the copy sign.
    void ShowProgress(const MediaFrame& frame);
    // Placement: the DV writer's repeats of the last copied frame, `image`,
    // up to `until` (100 ns).
    void RepeatCopiedFrame(CIplImage* image, LONGLONG until, const WAVEFORMATEX& writerFormat);
    int WriteAudioOnly(MediaFrame* frame);
    // Write: the writer's result as a production result.
    int WriteFrame(MediaFrame& frame);

    void HandSmartRanges(Scene* scene, int slot);
    // The production time of the first frame read from the scene item.
    CMediaTime SceneOrigin(const StoryboardItem* scene) const;
    StoryboardItem* ItemAt(int slot) const;
    CMediaTime ProductionTime(const CMediaTime& itemTime) const;
    void Log(LPCSTR text, int above) const;

    std::unique_ptr<MediaWriter> m_pWriter;
    Storyboard* m_pStoryboard;
    CProductionSettings* m_pSettings;
    int m_nLastIndex = -1;
    std::unique_ptr<CProducerNotifyWnd> m_pNotifyWnd;
    int m_nFrameWidth = 0;
    int m_nFrameHeight = 0;
    DWORD m_nFrameTime = 66667;
    int m_nBitDepth = 8;
    // The standard palette, held while producing 8-bit output.
    std::unique_ptr<CSharedPalette> m_pPalette;
    std::unique_ptr<CProductionAudioMixer> m_pMixer;
    int m_nFadeInFrames = 10;
    bool m_bAudioOn = false;
    WAVEFORMATEX m_AudioFormat{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    int m_nLevelScale = 1024;
    CMediaTime m_tFrame;
    CMediaTime m_tCurrent;
    CMediaTime m_tTotal;
    CMediaTime m_tFirstStart;
    int m_nTotalFrames = 0;
    int m_nFramesWritten = 0;
    int m_nFirstSlot = -1;
    int m_nLastSlot = -1;
    CProductionDisplay* m_pDisplay;
    bool m_bNearEnd = false;
    bool m_bFadeInDone = false;
    bool m_bFadeOutDone = false;
    int m_nPreviewCounter = 20;
    std::unique_ptr<CIplImage> m_pSmartImage;
    CString m_strOutputName;
    int m_nLowDiskLevel = kDefaultLowDiskLevel;
    SlotWindow m_Window;
    // The scene whose sound started last; a scene's sound starting anew
    // realigns the mixed sound with the frames written.
    const Scene* m_pSoundScene = nullptr;
    void StartSceneSound(const Scene* scene);
    FreeSpaceQuery m_freeSpace;
};
