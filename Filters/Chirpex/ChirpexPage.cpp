#include "Filters/Chirpex/ChirpexPage.h"

CChirpexPage::CChirpexPage(LPUNKNOWN outer) : CInterfacePage(NAME("Chirpex page"), outer, kDialog, kTitle) {}

CUnknown* CChirpexPage::CreateInstance(LPUNKNOWN outer, HRESULT*) { return new CChirpexPage(outer); }

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
