#pragma once
// The DV beep remover: in DV audio the 16-bit value 0x8000 marks a sample in
// error; the filter replaces each by the last good value of its channel.

#include <atomic>
#include <cstdint>

#include "Filters/Common/PluginInterfaces.h"

// Replaces 0x8000 in `count` interleaved 16-bit values of `channels` (1 or
// 2; others are left alone) by the channel's last good value, carried in
// lastGood from one buffer to the next. A trailing half frame of stereo
// data is the first channel's.
void RemoveBeeps(int16_t* values, LONG count, int channels, int16_t lastGood[2]);

class CChirpexFilter : public CTransInPlaceFilter,
                       public CPersistStream,
                       public IKLBeepRemover,
                       public ISpecifyPropertyPages {
public:
    CChirpexFilter(LPUNKNOWN outer, HRESULT* result);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override { return CBaseFilter::GetClassID(clsid); }

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT Transform(IMediaSample* sample) override;

    HRESULT WriteToStream(IStream* stream) override;
    // Refuses a truncated stream or a later version, keeping the level.
    HRESULT ReadFromStream(IStream* stream) override;
    int SizeMax() override { return 48; }

    HRESULT STDMETHODCALLTYPE GetLevel(int* level) override;
    HRESULT STDMETHODCALLTYPE SetLevel(int level) override;
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

    int InstanceNumber() const { return m_instance; }

private:
    CCritSec m_lock;
    int m_instance;
    std::atomic<int> m_rate{0};
    std::atomic<int> m_bytesPerSample{0};
    std::atomic<int> m_channels{0};
    std::atomic<int> m_level{220};
    std::atomic<bool> m_on{true};
    // Per filter, so that two filters streaming at once do not disturb
    // each other.
    int16_t m_lastGood[2] = {0, 0};
};
