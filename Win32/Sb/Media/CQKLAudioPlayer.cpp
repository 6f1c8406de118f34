#include "Win32/Sb/Media/CQKLAudioPlayer.h"

#include "Win32/Utils/DShowUtils.h"

using com::ComPtr;

namespace {
constexpr LONG kStateWait = 100;
} // namespace

CQKLAudioPlayer::~CQKLAudioPlayer() { Release(); }

HRESULT CQKLAudioPlayer::RenderFile(LPCWSTR path)
{
    Release();
    if (!path)
        return E_POINTER;
    HRESULT hr = DShowUtils::CreateFilterGraph(m_pGraph.Receive());
    if (SUCCEEDED(hr))
        hr = m_pGraph->RenderFile(path, nullptr);
    if (FAILED(hr) || hr == VFW_S_AUDIO_NOT_RENDERED) {
        LOG_DSHOW_ERROR("AudioPlayer failed to render", hr);
        return FAILED(hr) ? hr : E_FAIL;
    }
    return SUCCEEDED(m_pControl.QueryFrom(m_pGraph.Get(), IID_IMediaControl)) ? S_OK : E_FAIL;
}

HRESULT CQKLAudioPlayer::SetNotifyWindow(HWND window, UINT message, LONG_PTR lParam)
{
    return DShowUtils::SetGraphNotifyWindow(m_pGraph.Get(), window, message, lParam,
                                            "Audio Player failed to set notify window.");
}

HRESULT CQKLAudioPlayer::Run() { return m_pControl ? m_pControl->Run() : E_POINTER; }

HRESULT CQKLAudioPlayer::Pause() { return m_pControl ? m_pControl->Pause() : E_POINTER; }

HRESULT CQKLAudioPlayer::Stop() { return m_pControl ? m_pControl->Stop() : E_POINTER; }

BOOL CQKLAudioPlayer::IsPlaying()
{
    if (!m_pControl)
        return FALSE;
    OAFilterState state = State_Stopped;
    HRESULT hr = m_pControl->GetState(kStateWait, &state);
    if (hr == VFW_S_STATE_INTERMEDIATE)
        return TRUE;
    return SUCCEEDED(hr) && state == State_Running;
}

BOOL CQKLAudioPlayer::IsAtEnd()
{
    if (!m_pControl)
        return TRUE;
    ComPtr<IMediaPosition> position;
    if (FAILED(position.QueryFrom(m_pGraph.Get(), IID_IMediaPosition)))
        return TRUE;
    REFTIME stop = 0, current = 0;
    if (FAILED(position->get_StopTime(&stop)) || FAILED(position->get_CurrentPosition(&current)))
        return TRUE;
    return current < stop ? FALSE : TRUE;
}

HRESULT CQKLAudioPlayer::HandleGraphEvents()
{
    HRESULT hr = DShowUtils::DrainGraphEvents(m_pGraph.Get(), [this](LONG code, LONG_PTR, LONG_PTR) {
        if (code == EC_COMPLETE)
            Stop();
        return S_OK;
    });
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CQKLAudioPlayer::Release()
{
    Stop();
    m_pControl.Reset();
    m_pGraph.Reset();
    return S_OK;
}
