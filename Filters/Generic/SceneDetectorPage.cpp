#include "Filters/Generic/SceneDetectorPage.h"

#include <cstdio>

#include "Platform/Win/Win32.h"

CSceneDetectorPage::CSceneDetectorPage(LPUNKNOWN outer)
    : CInterfacePage(NAME("Scene detector page"), outer, kDialog, kTitle)
{
}

CUnknown* CSceneDetectorPage::CreateInstance(LPUNKNOWN outer, HRESULT*) { return new CSceneDetectorPage(outer); }

HRESULT CSceneDetectorPage::OnConnect(IUnknown* object)
{
    HRESULT hr = CInterfacePage::OnConnect(object);
    if (FAILED(hr))
        return hr;
    m_held->AttachGraph();
    ReadPosition();
    m_active = false;
    return S_OK;
}

HRESULT CSceneDetectorPage::OnDisconnect()
{
    if (m_held)
        m_held->DetachGraph();
    return CInterfacePage::OnDisconnect();
}

void CSceneDetectorPage::ReadPosition()
{
    double position = 0, duration = 0;
    int scenes = 0;
    if (SUCCEEDED(m_held->GetPosition(&position, &duration, &scenes))) {
        m_position = position;
        m_duration = duration;
        m_scenes = scenes;
    }
}

HRESULT CSceneDetectorPage::OnActivate()
{
    HWND position = GetDlgItem(m_Dlg, kPositionBar);
    SendMessageA(position, TBM_SETRANGE, TRUE, MAKELPARAM(0, 1000));
    SendMessageA(position, TBM_SETLINESIZE, 0, 1);
    SendMessageA(position, TBM_SETPAGESIZE, 0, 1);
    SendMessageA(position, TBM_SETPOS, TRUE, 0);
    HWND sensitivity = GetDlgItem(m_Dlg, kSensitivityBar);
    SendMessageA(sensitivity, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    SendMessageA(sensitivity, TBM_SETLINESIZE, 0, 1);
    SendMessageA(sensitivity, TBM_SETPAGESIZE, 0, 1);
    SendMessageA(sensitivity, TBM_SETPOS, TRUE, 0);
    ShowDisplay();
    m_held->GetParameters(&m_sensitivity, &m_window);
    SetTimer(m_Dlg, kTimer, kRefreshMs, nullptr);
    SendMessageA(sensitivity, TBM_SETPOS, TRUE, static_cast<LPARAM>(m_sensitivity * 100));
    return CInterfacePage::OnActivate();
}

HRESULT CSceneDetectorPage::OnDeactivate()
{
    CInterfacePage::OnDeactivate();
    KillTimer(m_Dlg, kTimer);
    return S_OK;
}

HRESULT CSceneDetectorPage::OnApplyChanges()
{
    char text[64] = {};
    GetDlgItemTextA(m_Dlg, kSeekTo, text, sizeof text);
    double position = 0;
    if (std::sscanf(text, "%lf", &position) == 1)
        m_held->SeekTo(position);
    const double sensitivity =
        static_cast<double>(SendDlgItemMessageA(m_Dlg, kSensitivityBar, TBM_GETPOS, 0, 0)) * 0.01;
    m_held->SetParameters(sensitivity, m_window, TRUE);
    return S_OK;
}

void CSceneDetectorPage::ShowDisplay()
{
    if (m_refreshing)
        return;
    m_refreshing = true;
    const LPARAM at = m_duration > 0 ? static_cast<LPARAM>(m_position * 1000 / m_duration) : 0;
    SendDlgItemMessageA(m_Dlg, kPositionBar, TBM_SETPOS, TRUE, at);
    char text[64];
    std::snprintf(text, sizeof text, "%10.2f", m_position);
    SetDlgItemTextA(m_Dlg, kPositionText, text);
    std::snprintf(text, sizeof text, "Detected %8d Scenes", m_scenes);
    SetDlgItemTextA(m_Dlg, kScenesText, text);
    m_refreshing = false;
}

void CSceneDetectorPage::DirtyWhenActive()
{
    m_bDirty = m_active;
    if (m_active)
        SetDirty();
}

void CSceneDetectorPage::Command(int id)
{
    switch (id) {
    case kRefresh:
        ReadPosition();
        m_held->SeekTo(m_position);
        ShowDisplay();
        break;
    case kAnalyse:
        m_held->StartAnalysis();
        break;
    case kNextScene:
    case kPreviousScene:
        m_held->GoToScene(id == kNextScene ? 1 : -1);
        break;
    case kFrameBack:
    case kFrameOn:
        m_held->StepFrames(id == kFrameOn ? 1 : -1);
        break;
    default:
        break;
    }
    DirtyWhenActive();
}

INT_PTR CSceneDetectorPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_refreshing)
        return CInterfacePage::OnReceiveMessage(window, message, wParam, lParam);
    switch (message) {
    case WM_INITDIALOG:
        m_held->SetUsePosition(TRUE);
        return TRUE;
    case WM_ERASEBKGND:
        // The display is brought up to date; the background is still
        // erased as usual.
        ShowDisplay();
        return FALSE;
    case WM_TIMER:
        ReadPosition();
        ShowDisplay();
        return TRUE;
    case WM_VSCROLL:
        ShowDisplay();
        return TRUE;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(m_Dlg, kPositionBar)) {
            DirtyWhenActive();
            const LRESULT at = SendMessageA(reinterpret_cast<HWND>(lParam), TBM_GETPOS, 0, 0);
            m_position = static_cast<double>(at) * 0.001 * m_duration;
            m_held->SeekTo(m_position);
        }
        return TRUE;
    case WM_COMMAND:
        Command(LOWORD(wParam));
        return TRUE;
    default:
        return CInterfacePage::OnReceiveMessage(window, message, wParam, lParam);
    }
}
