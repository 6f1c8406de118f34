#pragma once
// The beep remover's property page: one check box, tied to nothing; the
// page holds the filter's IKLBeepRemover while connected and is never
// marked changed.

#include "Filters/Common/InterfacePage.h"
#include "Filters/Common/PluginInterfaces.h"

class CChirpexPage : public CInterfacePage<IKLBeepRemover, IID_IKLBeepRemover> {
public:
    static constexpr int kDialog = 101;
    static constexpr int kTitle = 102;
    static constexpr int kRemoveBeeps = 1007;

    explicit CChirpexPage(LPUNKNOWN outer);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};
