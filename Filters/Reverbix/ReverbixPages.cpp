#include "Filters/Reverbix/ReverbixPages.h"

#include "Platform/Win/Win32.h"

namespace {

// The preset buttons of the equaliser and the level each gives every band.
struct Preset {
    int button;
    float decibels;
};
const Preset kPresets[] = {{1014, 0.0f},   {1015, -5.0f}, {1016, -10.0f}, {1017, 5.0f},
                           {1018, 10.0f},  {1019, -15.0f}, {1020, 15.0f}};

// The most band frequencies the filter reports.
constexpr int kMostBands = 64;

void Check(HWND dialog, int first, int last, int checked)
{
    for (int id = first; id <= last; ++id)
        CheckDlgButton(dialog, id, id == checked ? BST_CHECKED : BST_UNCHECKED);
}

} // namespace

// ---- the settings page

CReverbixPage::CReverbixPage(LPUNKNOWN outer) : CInterfacePage(NAME("Reverbix page"), outer, kDialog, kTitle) {}

CUnknown* CReverbixPage::CreateInstance(LPUNKNOWN outer, HRESULT*) { return new CReverbixPage(outer); }

HRESULT CReverbixPage::OnConnect(IUnknown* object)
{
    HRESULT hr = CInterfacePage::OnConnect(object);
    if (SUCCEEDED(hr))
        m_held->GetFilterType(&m_filterType);
    return hr;
}

HRESULT CReverbixPage::OnDeactivate()
{
    m_held->GetFilterType(&m_filterType);
    return CInterfacePage::OnDeactivate();
}

void CReverbixPage::CheckFft(int button) { Check(m_Dlg, kFirstFft, kLastFft, button); }

void CReverbixPage::ShowSettings()
{
    Check(m_Dlg, kFlat, kMuddy, kFlat + m_filterType);
    int length = 0;
    m_held->GetFFTLength(&length);
    int fft = 0;
    for (int button = kFirstFft; button <= kLastFft; ++button)
        if (FftLengthOf(button) == length)
            fft = button;
    CheckFft(fft);
    int channels = 0, bits = 0, rate = 0;
    m_held->GetOutputChannels(&channels);
    Check(m_Dlg, kMono, kStereo, channels == 1 ? kMono : channels == 2 ? kStereo : 0);
    m_held->GetOutputBits(&bits);
    Check(m_Dlg, k8Bit, k16Bit, bits == 8 ? k8Bit : bits == 16 ? k16Bit : 0);
    m_held->GetOutputRate(&rate);
    SetDlgItemInt(m_Dlg, kRate, static_cast<UINT>(rate), FALSE);
    BYTE dsp = 0, dither = 0;
    m_held->GetDSPEnabled(&dsp);
    CheckDlgButton(m_Dlg, kDsp, dsp ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_Dlg, kNoDsp, dsp ? BST_UNCHECKED : BST_CHECKED);
    m_held->GetDither(&dither);
    CheckDlgButton(m_Dlg, kDither, dither ? BST_CHECKED : BST_UNCHECKED);
}

void CReverbixPage::Command(int id, WORD code)
{
    if (id == kRate) {
        if (code == EN_KILLFOCUS) {
            const UINT rate = GetDlgItemInt(m_Dlg, kRate, nullptr, FALSE);
            if (m_held->SetOutputRate(static_cast<int>(rate)) == E_FAIL) {
                int current = 0;
                m_held->GetOutputRate(&current);
                SetDlgItemInt(m_Dlg, kRate, static_cast<UINT>(current), FALSE);
            }
        }
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case kFlat:
    case kAmRadio:
    case kMuddy:
        m_held->SetFilterType(id - kFlat);
        return;
    case kDsp:
    case kNoDsp:
        m_held->SetDSPEnabled(id == kDsp ? 1 : 0);
        return;
    case kMono:
    case kStereo:
        m_held->SetOutputChannels(id == kMono ? 1 : 2);
        return;
    case k8Bit:
    case k16Bit:
        m_held->SetOutputBits(id == k8Bit ? 8 : 16);
        return;
    case kReverb:
        if (IsDlgButtonChecked(m_Dlg, kReverb) == BST_CHECKED) {
            // The reverb needs at least 2048 points.
            int length = 0;
            m_held->GetFFTLength(&length);
            if (length < 2048) {
                CheckFft(1055);
                Check(m_Dlg, kFlat, kMuddy, kFlat);
                m_held->SetFFTLength(2048);
            }
            m_held->SetReverb("Reverb1");
        } else {
            m_held->SetReverb(nullptr);
        }
        return;
    case kDither:
        m_held->SetDither(IsDlgButtonChecked(m_Dlg, kDither) == BST_CHECKED ? 1 : 0);
        return;
    default:
        break;
    }
    if (id >= kFirstFft && id <= kLastFft) {
        // A new length reconfigures the engine, which drops the reverb and
        // resets the band limit.
        CheckDlgButton(m_Dlg, kReverb, BST_UNCHECKED);
        m_held->SetReverb(nullptr);
        Check(m_Dlg, kFlat, kMuddy, kFlat);
        CheckFft(id);
        m_held->SetFFTLength(FftLengthOf(id));
    }
}

INT_PTR CReverbixPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        ShowSettings();
        return TRUE;
    case WM_COMMAND:
        Command(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    default:
        return CInterfacePage::OnReceiveMessage(window, message, wParam, lParam);
    }
}

// ---- the equaliser page

const float CReverbixEqualizerPage::kFrequencies[kBands] = {50.0f,   100.0f,  200.0f,  400.0f,  800.0f,
                                                            1000.0f, 2000.0f, 4000.0f, 8000.0f, 16000.0f};

CReverbixEqualizerPage::CReverbixEqualizerPage(LPUNKNOWN outer)
    : CInterfacePage(NAME("Reverbix equalizer page"), outer, kDialog, kTitle)
{
}

CUnknown* CReverbixEqualizerPage::CreateInstance(LPUNKNOWN outer, HRESULT*)
{
    return new CReverbixEqualizerPage(outer);
}

HRESULT CReverbixEqualizerPage::OnConnect(IUnknown* object)
{
    HRESULT hr = CInterfacePage::OnConnect(object);
    if (FAILED(hr))
        return hr;
    int count = 0;
    float frequencies[kMostBands] = {};
    m_held->GetBandPoints(&count, frequencies);
    bool same = count == kBands;
    for (int band = 0; same && band < kBands; ++band)
        same = frequencies[band] == kFrequencies[band];
    if (!same)
        m_held->SetBandPoints(kBands, kFrequencies);
    return S_OK;
}

void CReverbixEqualizerPage::PlaceBars()
{
    for (int band = 0; band < kBands; ++band) {
        m_held->GetBandLevel(0, band, &m_levels[band]);
        SendDlgItemMessageA(m_Dlg, kFirstBar + band, TBM_SETPOS, TRUE, PositionOf(m_levels[band]));
    }
}

void CReverbixEqualizerPage::SendLevels()
{
    for (int band = 0; band < kBands; ++band) {
        const int position = static_cast<int>(SendDlgItemMessageA(m_Dlg, kFirstBar + band, TBM_GETPOS, 0, 0));
        m_levels[band] = LevelAt(position);
        m_held->SetBandLevel(0, band, m_levels[band]);
    }
}

INT_PTR CReverbixEqualizerPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        for (int band = 0; band < kBands; ++band) {
            HWND bar = GetDlgItem(m_Dlg, kFirstBar + band);
            SendMessageA(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 300));
            SendMessageA(bar, TBM_SETLINESIZE, 0, 10);
            SendMessageA(bar, TBM_SETPAGESIZE, 0, 10);
        }
        PlaceBars();
        SendLevels();
        return TRUE;
    case WM_VSCROLL:
        SendLevels();
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            for (const Preset& preset : kPresets)
                if (preset.button == LOWORD(wParam)) {
                    for (int band = 0; band < kBands; ++band)
                        m_held->SetBandLevel(0, band, preset.decibels);
                    PlaceBars();
                }
        return TRUE;
    default:
        return CInterfacePage::OnReceiveMessage(window, message, wParam, lParam);
    }
}
