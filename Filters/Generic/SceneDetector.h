#pragma once
// The scene detector: an in-place filter on 24-bit RGB video that compares
// each frame's colour histogram with those of the frames before it and
// records when a new scene starts. It can also drive its graph: run it,
// seek it, step it by frames and jump between scenes.

#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Generic/InPlaceCopyFilter.h"
#include "Filters/Generic/SceneAnalyser.h"

class CSceneDetectorFilter : public CInPlaceCopyFilter,
                             public CPersistStream,
                             public IKLSceneDetector,
                             public ISpecifyPropertyPages {
public:
    CSceneDetectorFilter(LPUNKNOWN outer, HRESULT* result);
    ~CSceneDetectorFilter() override;
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override { return CBaseFilter::GetClassID(clsid); }

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT StopStreaming() override;
    HRESULT Transform(IMediaSample* sample) override;

    HRESULT WriteToStream(IStream* stream) override;
    // Refuses a truncated stream, a later version, a scene count beyond
    // 2000 and a window or threshold out of range, keeping its state.
    HRESULT ReadFromStream(IStream* stream) override;
    int SizeMax() override { return 4 + 8 * SceneAnalyser::kMaxScenes + 8 + 4; }

    HRESULT STDMETHODCALLTYPE SeekTo(double seconds) override;
    HRESULT STDMETHODCALLTYPE GetPosition(double* position, double* duration, int* scenes) override;
    // E_FAIL before an input type has given the frame duration.
    HRESULT STDMETHODCALLTYPE SetParameters(double sensitivity, double windowSeconds, BOOL sampleTimes) override;
    HRESULT STDMETHODCALLTYPE GetParameters(double* sensitivity, double* windowSeconds) override;
    HRESULT STDMETHODCALLTYPE GetScene(int index, double* time) override;
    HRESULT STDMETHODCALLTYPE StartAnalysis() override;
    HRESULT STDMETHODCALLTYPE StopAnalysis() override;
    HRESULT STDMETHODCALLTYPE GoToScene(int offset) override;
    HRESULT STDMETHODCALLTYPE StepFrames(int frames) override;
    HRESULT STDMETHODCALLTYPE AttachGraph() override;
    HRESULT STDMETHODCALLTYPE DetachGraph() override;
    HRESULT STDMETHODCALLTYPE SetUsePosition(BOOL usePosition) override;

    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

private:
    static bool IsRgb24(const CMediaType* type);

    // Guards the analyser and the counters, which the streaming thread
    // and the program's thread share.
    CCritSec m_analysisLock;
    IMediaSeeking* m_seeking = nullptr;
    IMediaPosition* m_position = nullptr;
    IMediaControl* m_control = nullptr;
    bool m_usePosition = true;
    int m_frames = 0;
    double m_lastTime = 0;
    double m_frameDuration = 30.0;
    bool m_haveFormat = false;
    bool m_analysing = false;
    bool m_sampleTimes = true;
    LONG m_stride = 0;
    LONG m_imageBytes = 0;
    SceneAnalyser m_analyser;
};
