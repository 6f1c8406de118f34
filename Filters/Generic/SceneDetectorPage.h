#pragma once
// The scene detector's property page: moves through the graph's timeline,
// steps frames, jumps between detected scenes, starts the analysis and
// chooses the sensitivity. The page attaches the filter to its graph while
// connected and refreshes the position and the scene count four times a
// second while active.

#include "Filters/Common/InterfacePage.h"
#include "Filters/Common/PluginInterfaces.h"

class CSceneDetectorPage : public CInterfacePage<IKLSceneDetector, IID_IKLSceneDetector> {
public:
    static constexpr int kDialog = 101;
    static constexpr int kTitle = 1015;
    static constexpr int kPositionBar = 1069;
    static constexpr int kPositionText = 1070;
    static constexpr int kSeekTo = 1085;
    static constexpr int kRefresh = 1086;
    static constexpr int kAnalyse = 1089;
    static constexpr int kScenesText = 1090;
    static constexpr int kNextScene = 1091;
    static constexpr int kPreviousScene = 1092;
    static constexpr int kFrameBack = 1093;
    static constexpr int kFrameOn = 1094;
    static constexpr int kSensitivityBar = 1097;
    static constexpr UINT_PTR kTimer = 1;
    static constexpr UINT kRefreshMs = 250;

    explicit CSceneDetectorPage(LPUNKNOWN outer);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDisconnect() override;
    HRESULT OnActivate() override;
    HRESULT OnDeactivate() override;
    HRESULT OnApplyChanges() override;
    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ReadPosition();
    void ShowDisplay();
    void Command(int id);
    // Sets the dirty flag and tells the site, when active.
    void DirtyWhenActive();

    bool m_refreshing = false;
    double m_position = 0;
    double m_duration = 0;
    double m_window = 0;
    double m_sensitivity = 0;
    int m_scenes = 0;
};
