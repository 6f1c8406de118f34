#pragma once
// The beep remover's property page: one check box, tied to nothing; the
// page holds the filter's IKLBeepRemover while connected and is never
// marked changed.

#include "Filters/Common/PluginInterfaces.h"

class CChirpexPage : public CBasePropertyPage {
public:
    static constexpr int kDialog = 101;
    static constexpr int kTitle = 102;
    static constexpr int kRemoveBeeps = 1007;

    explicit CChirpexPage(LPUNKNOWN outer);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    IKLBeepRemover* m_remover = nullptr;
};
