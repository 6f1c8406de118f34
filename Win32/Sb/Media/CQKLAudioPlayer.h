#pragma once
// Plays an audio file once, start to end, through a graph the runtime
// builds for the file by itself. The owner registers a window for the
// graph's events, calls HandleGraphEvents from its handler and, once
// IsAtEnd, stops and releases the player.

#include "Platform/Com/Com.h"
#include "Platform/DShow/DShow.h"

class CQKLAudioPlayer {
public:
    CQKLAudioPlayer() = default;
    virtual ~CQKLAudioPlayer();
    CQKLAudioPlayer(const CQKLAudioPlayer&) = delete;
    CQKLAudioPlayer& operator=(const CQKLAudioPlayer&) = delete;

    // A file whose sound cannot be rendered fails (E_FAIL) even though the
    // runtime calls it a partial success; video that cannot be is fine.
    HRESULT RenderFile(LPCWSTR path);
    HRESULT SetNotifyWindow(HWND window, UINT message, LONG_PTR lParam);
    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    // Running, or still changing state; a graph whose state cannot be
    // read is not playing.
    BOOL IsPlaying();
    BOOL IsAtEnd();
    // Drains the graph's events; the end of the stream stops the graph.
    HRESULT HandleGraphEvents();
    HRESULT Release();

    com::ComPtr<IGraphBuilder> m_pGraph;
    com::ComPtr<IMediaControl> m_pControl;
};
