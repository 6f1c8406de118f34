#include "Filters/Chirpex/ChirpexPage.h"

CChirpexPage::CChirpexPage(LPUNKNOWN outer) : CBasePropertyPage(NAME("Chirpex page"), outer, kDialog, kTitle) {}

CUnknown* CChirpexPage::CreateInstance(LPUNKNOWN outer, HRESULT*) { return new CChirpexPage(outer); }

HRESULT CChirpexPage::OnConnect(IUnknown* object)
{
    CheckPointer(object, E_POINTER);
    return object->QueryInterface(IID_IKLBeepRemover, reinterpret_cast<void**>(&m_remover));
}

HRESULT CChirpexPage::OnDisconnect()
{
    if (!m_remover)
        return E_UNEXPECTED;
    m_remover->Release();
    m_remover = nullptr;
    return S_OK;
}

INT_PTR CChirpexPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_VSCROLL:
    case WM_COMMAND:
        return TRUE;
    default:
        return CBasePropertyPage::OnReceiveMessage(window, message, wParam, lParam);
    }
}
