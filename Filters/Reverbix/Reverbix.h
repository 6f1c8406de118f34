#pragma once
// The audio effect and resampling filter: converts PCM audio's rate, sample
// size and channel count and applies band limits, equaliser, gain, reverb
// and dither, all through the audio engine it holds. The program fixes the
// output format before it connects the output.

#include <atomic>

#include "Filters/Common/PluginInterfaces.h"
#include "Win32/Sb/Audio/AudioProcessor.h"

class CReverbixFilter : public CTransformFilter,
                        public CPersistStream,
                        public IKLAudioFilter,
                        public ISpecifyPropertyPages {
public:
    static constexpr int kMaxChannelGains = 256;
    static constexpr LONG kMinimumBuffer = 262144;

    CReverbixFilter(LPUNKNOWN outer, HRESULT* result);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override { return CBaseFilter::GetClassID(clsid); }
    HRESULT STDMETHODCALLTYPE Stop() override;

    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    // Output buffers hold what the conversion makes of a whole input buffer.
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;

    HRESULT WriteToStream(IStream* stream) override;
    // Refuses a truncated stream or a later version, keeping its state.
    HRESULT ReadFromStream(IStream* stream) override;
    int SizeMax() override { return 48; }

    HRESULT STDMETHODCALLTYPE SetFilterType(int type) override;
    HRESULT STDMETHODCALLTYPE GetFilterType(int* type) override;
    HRESULT STDMETHODCALLTYPE GetInputChannels(int* channels) override;
    HRESULT STDMETHODCALLTYPE GetGainsPerChannel(int* gains) override;
    HRESULT STDMETHODCALLTYPE GetInputBits(int* bits) override;
    HRESULT STDMETHODCALLTYPE GetInputRate(int* rate) override;
    HRESULT STDMETHODCALLTYPE GetOutputChannels(int* channels) override;
    HRESULT STDMETHODCALLTYPE GetOutputRate(int* rate) override;
    HRESULT STDMETHODCALLTYPE GetOutputBits(int* bits) override;
    HRESULT STDMETHODCALLTYPE GetChannelFlag(int channel, BYTE* flag) override;
    HRESULT STDMETHODCALLTYPE SetFFTLength(int length) override;
    HRESULT STDMETHODCALLTYPE GetFFTLength(int* length) override;
    HRESULT STDMETHODCALLTYPE SetOutputChannels(int channels) override;
    HRESULT STDMETHODCALLTYPE SetOutputBits(int bits) override;
    HRESULT STDMETHODCALLTYPE SetOutputRate(int rate) override;
    HRESULT STDMETHODCALLTYPE SetDither(BYTE dither) override;
    HRESULT STDMETHODCALLTYPE GetDither(BYTE* dither) override;
    HRESULT STDMETHODCALLTYPE SetGain(float decibels) override;
    HRESULT STDMETHODCALLTYPE SetChannelGains(const int* values, int ignored) override;
    HRESULT STDMETHODCALLTYPE GetChannelGains(int* values) override;
    HRESULT STDMETHODCALLTYPE Reserved1(int, int) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Reserved2(int, int) override { return S_OK; }
    // E_FAIL when the engine refuses the table.
    HRESULT STDMETHODCALLTYPE SetBandPoints(int count, const float* frequencies) override;
    HRESULT STDMETHODCALLTYPE SetBandLevel(int ignored, int band, float decibels) override;
    HRESULT STDMETHODCALLTYPE GetBandPoints(int* count, float* frequencies) override;
    HRESULT STDMETHODCALLTYPE GetBandLevel(int ignored, int band, float* decibels) override;
    // E_FAIL for an unknown name or when the engine refuses the taps.
    HRESULT STDMETHODCALLTYPE SetReverb(const char* name) override;
    HRESULT STDMETHODCALLTYPE SetDSPEnabled(BYTE enabled) override;
    HRESULT STDMETHODCALLTYPE GetDSPEnabled(BYTE* enabled) override;

    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

private:
    struct Format {
        int rate;
        int bits;
        int channels;
        int FrameBytes() const { return bits / 8 * channels; }
    };

    void Reconfigure();
    void ApplyFilterType();
    // Output bytes one input buffer of `inputBytes` can become, at most.
    LONG OutputBytesFor(LONG inputBytes) const;
    static int RoundFFT(int length);

    CCritSec m_lock;
    int m_filterType = 0;
    Format m_output{44100, 16, 1};
    Format m_input{44100, 16, 1};
    int m_gainsPerChannel = 1;
    int m_fftLength = 512;
    float m_gain = 0;
    int m_channelGains[kMaxChannelGains] = {};
    std::atomic<BYTE> m_dsp{1};
    BYTE m_dither = 0;
    std::atomic<bool> m_streaming{false};
    CAudioProcessor m_engine;
};
