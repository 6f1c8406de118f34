#pragma once
// The base of every object that plays or reads one media file through its
// own filter graph: owns the graph, opens the file with the right source,
// finds the first video and audio streams (by index), chooses a decoder by
// subtype, hands graph events to OnGraphEvent and tears it all down again.
// Owners register their notify window with message 0x412 and call
// ProcessEvents from its handler.

#include "Platform/Com/Com.h"
#include "Platform/DShow/DShow.h"

class QORGraphBuilder {
public:
    QORGraphBuilder();
    virtual ~QORGraphBuilder();
    QORGraphBuilder(const QORGraphBuilder&) = delete;
    QORGraphBuilder& operator=(const QORGraphBuilder&) = delete;

    virtual HRESULT OnGraphEvent(LONG code, LONG_PTR param1, LONG_PTR param2);
    // Called while classifying, for the chosen stream, before its pin is
    // stored.
    virtual void OnVideoStream(int index, const AM_MEDIA_TYPE* type);
    virtual void OnAudioStream(int index, const AM_MEDIA_TYPE* type);

    // Opens the file and classifies its pins. An index of -1 (or beyond the
    // streams) selects no stream of that kind.
    HRESULT Create(LPCWSTR path, int videoIndex, int audioIndex, BOOL preferAviSource, BOOL reuseGraph,
                   BOOL noClock);
    HRESULT AddFileSource(REFCLSID clsid, LPCWSTR path, const char* name);
    HRESULT AddSource(LPCWSTR path);
    HRESULT ClassifyPins(int videoIndex, int audioIndex);
    HRESULT AddVideoDecoder(BOOL drawMode, BOOL drawFilter);
    HRESULT AddAudioDecoder();
    HRESULT AddDecoder(REFCLSID clsid, const char* name, BOOL video);
    HRESULT RemoveDecoders();
    HRESULT ReleaseGraph();
    HRESULT SetNotifyWindow(HWND window, UINT message, LONG_PTR lParam);
    HRESULT ProcessEvents();

    // The message every graph owner registers for its graph's events.
    static constexpr UINT kGraphNotifyMessage = 0x412;

    com::ComPtr<IGraphBuilder> m_pGraph;
    com::ComPtr<IBaseFilter> m_pSource;
    com::ComPtr<IBaseFilter> m_pVideoDecoder;
    com::ComPtr<IBaseFilter> m_pAudioDecoder;
    com::ComPtr<IPin> m_pAudioPin;
    com::ComPtr<IPin> m_pSourceAudioPin;
    com::ComPtr<IPin> m_pVideoPin;
    com::ComPtr<IPin> m_pSourceVideoPin;
    int m_nVideoStreams = 0;
    int m_nAudioStreams = 0;
    GUID m_VideoSubtype = GUID_NULL;
    GUID m_AudioSubtype = GUID_NULL;
    BOOL m_bBuilt = FALSE;
    BOOL m_bDrawFilter = FALSE;
    BOOL m_bAsfFile = FALSE;
    BOOL m_bDvFullResolution = FALSE;
    DWORD m_dwRotCookie = 0;

private:
    void TakeVideoStream(int index, IPin* pin, const AM_MEDIA_TYPE* type);
    void TakeAudioStream(int index, IPin* pin, const AM_MEDIA_TYPE* type);
    // Puts an ASF handler on the stream's pin; false when it cannot be added.
    bool TakeAsfStream(int index, IPin* pin, bool video);
};
