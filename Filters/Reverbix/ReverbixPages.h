#pragma once
// The audio effect filter's two property pages. Both act on the filter at
// once through IKLAudioFilter, so apply has nothing left to do and
// cancelling the frame undoes nothing: the settings page (band limit,
// output format, DSP, dither, reverb and FFT length) and the ten-band
// graphic equaliser.

#include "Filters/Common/InterfacePage.h"
#include "Filters/Common/PluginInterfaces.h"

class CReverbixPage : public CInterfacePage<IKLAudioFilter, IID_IKLAudioFilter> {
public:
    static constexpr int kDialog = 101;
    static constexpr int kTitle = 103;
    static constexpr int kFlat = 1001;
    static constexpr int kAmRadio = 1002;
    static constexpr int kMuddy = 1003;
    static constexpr int kDsp = 1027;
    static constexpr int kNoDsp = 1029;
    static constexpr int kRate = 1030;
    static constexpr int kMono = 1033;
    static constexpr int kStereo = 1034;
    static constexpr int k8Bit = 1040;
    static constexpr int k16Bit = 1041;
    static constexpr int kReverb = 1048;
    // The FFT length buttons; each label reads twice the length it sets.
    static constexpr int kFirstFft = 1050;
    static constexpr int kLastFft = 1057;
    static constexpr int kDither = 1058;

    explicit CReverbixPage(LPUNKNOWN outer);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);
    // The FFT length button `button` sets.
    static int FftLengthOf(int button) { return 64 << (button - kFirstFft); }

    HRESULT OnConnect(IUnknown* object) override;
    HRESULT OnDeactivate() override;
    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowSettings();
    void Command(int id, WORD code);
    void CheckFft(int button);

    int m_filterType = 0;
};

class CReverbixEqualizerPage : public CInterfacePage<IKLAudioFilter, IID_IKLAudioFilter> {
public:
    static constexpr int kDialog = 103;
    static constexpr int kTitle = 104;
    static constexpr int kBands = 10;
    // Track bars kFirstBar .. kFirstBar + 9, band 0 to band 9.
    static constexpr int kFirstBar = 1004;
    // The band centre frequencies, Hz.
    static const float kFrequencies[kBands];

    explicit CReverbixEqualizerPage(LPUNKNOWN outer);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);
    // A level's bar position (the top is +15 dB), and back.
    static int PositionOf(float decibels) { return static_cast<int>(150.0f - decibels * 10.0f); }
    static float LevelAt(int position) { return static_cast<float>(150 - position) * 0.1f; }

    HRESULT OnConnect(IUnknown* object) override;
    INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PlaceBars();
    void SendLevels();

    float m_levels[kBands] = {};
};
