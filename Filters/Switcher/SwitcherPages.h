#pragma once
// The stream switcher's two property pages, which talk to the filter only
// through IKLSwitcher: the event page edits a working copy of the switch
// schedule (a grid of inputs against outputs per event) and writes it on
// apply; the media-type page sets the type restriction of the pins.

#include <vector>

#include "Filters/Common/InterfacePage.h"
#include "Filters/Common/PluginInterfaces.h"

class CSwitcherEventPage : public CInterfacePage<IKLSwitcher, IID_IKLSwitcher> {
public:
    static constexpr int kDialog = 101;
    static constexpr int kTitle = 1015;
    static constexpr int kEventCount = 1080;
    static constexpr int kEndTime = 1082;
    static constexpr int kSpin = 1083;
    static constexpr int kShownIndex = 1084;
    // Button kFirstCell + 10 * input + output.
    static constexpr int kFirstCell = 1085;
    static constexpr int kAddEvent = 1186;
    static constexpr int kLastSwitch = 1196;
    // The page's grid: 10 inputs by 10 outputs.
    static constexpr int kGrid = 10;

    explicit CSwitcherEventPage(LPUNKNOWN outer);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    HRESULT OnActivate() override;
    HRESULT OnDeactivate() override;
    HRESULT OnApplyChanges() override;
    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int EventCount() const { return static_cast<int>(m_ends.size()); }
    short* Map(int event) { return m_maps.data() + static_cast<size_t>(event) * kGrid; }
    void ShowEvent();
    // The dialog back into the shown event (a time out of order is
    // reported and left), the last-switch flag and the grid's routes.
    void ReadBack();
    void ClickCell(int id);
    void AddEvent();

    int m_shown = 0;
    std::vector<REFERENCE_TIME> m_ends;
    std::vector<short> m_maps; // kGrid entries per event: per input, its output or -1
    bool m_lastSwitch = false;
};

class CSwitcherMediaTypePage : public CInterfacePage<IKLSwitcher, IID_IKLSwitcher> {
public:
    static constexpr int kDialog = 103;
    static constexpr int kTitle = 1016;
    // The buttons, in the order of their rows: none, video, RGB 24,
    // RGB 565, RGB 555, audio.
    static constexpr int kFirstButton = 1190;
    static constexpr int kLastButton = 1195;

    explicit CSwitcherMediaTypePage(LPUNKNOWN outer);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnActivate() override;
    HRESULT OnApplyChanges() override;
    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CheckSelected();

    int m_selected = 0; // a button, or 0 for none
    GUID m_major = GUID_NULL;
    GUID m_sub = GUID_NULL;
};
