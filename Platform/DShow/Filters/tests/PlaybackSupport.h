#pragma once
// A graph for the playback tests: recording sinks for video and sound in
// the graph before the file is rendered, no clock, and a run to the end.

#include <string>

#include "Platform/DShow/Filters/tests/RecordingSink.h"

namespace playback_test {

constexpr DWORD kLongWait = 30000;

class Playback {
public:
    Playback();
    ~Playback();

    IGraphBuilder* Graph() { return m_graph.Get(); }
    RecordingSink& Video() { return *m_video; }
    RecordingSink& Audio() { return *m_audio; }

    HRESULT Render(const std::string& path);
    // Runs and waits for the end: EC_COMPLETE, EC_ERRORABORT (or another
    // ending event); 0 when nothing came in time.
    LONG RunToEnd(DWORD milliseconds = kLongWait);
    HRESULT Stop();

private:
    com::ComPtr<IGraphBuilder> m_graph;
    RecordingSink* m_video;
    RecordingSink* m_audio;
    com::ComPtr<IBaseFilter> m_heldVideo;
    com::ComPtr<IBaseFilter> m_heldAudio;
};

// The grey level of a decoded RGB pixel (blue byte) of fixture level `y`.
int RgbOfLevel(int y);

} // namespace playback_test
