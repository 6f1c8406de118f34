#include "Platform/DShow/Filters/tests/PlaybackSupport.h"

#include <gtest/gtest.h>

namespace playback_test {

Playback::Playback()
    : m_video(new RecordingSink(MEDIATYPE_Video)), m_audio(new RecordingSink(MEDIATYPE_Audio)),
      m_heldVideo(Hold(m_video)), m_heldAudio(Hold(m_audio))
{
    EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               m_graph.ReceiveVoid()),
              S_OK);
    m_graph->AddFilter(m_heldVideo.Get(), u"Video Sink");
    m_graph->AddFilter(m_heldAudio.Get(), u"Audio Sink");
    com::ComPtr<IMediaFilter> filter;
    if (SUCCEEDED(m_graph->QueryInterface(IID_IMediaFilter, filter.ReceiveVoid())))
        filter->SetSyncSource(nullptr);
}

Playback::~Playback() { Stop(); }

HRESULT Playback::Render(const std::string& path)
{
    std::u16string file = com::Utf8ToWide(path);
    return m_graph->RenderFile(file.c_str(), nullptr);
}

LONG Playback::RunToEnd(DWORD milliseconds)
{
    com::ComPtr<IMediaControl> control;
    com::ComPtr<IMediaEvent> events;
    m_graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid());
    m_graph->QueryInterface(IID_IMediaEvent, events.ReceiveVoid());
    if (FAILED(control->Run()))
        return -1;
    DWORD waited = 0;
    while (waited < milliseconds) {
        LONG code = 0;
        LONG_PTR one = 0, two = 0;
        if (events->GetEvent(&code, &one, &two, 100) == S_OK) {
            events->FreeEventParams(code, one, two);
            if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT ||
                code == EC_STREAM_ERROR_STOPPED)
                return code;
        } else {
            waited += 100;
        }
    }
    return 0;
}

HRESULT Playback::Stop()
{
    com::ComPtr<IMediaControl> control;
    m_graph->QueryInterface(IID_IMediaControl, control.ReceiveVoid());
    return control->Stop();
}

int RgbOfLevel(int y) { return std::clamp((y - 16) * 255 / 219, 0, 255); }

} // namespace playback_test
