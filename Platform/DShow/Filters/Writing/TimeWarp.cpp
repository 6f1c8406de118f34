// The Time Warp filter: retimes uncompressed video by a speed at a frame
// rate set through ITimeWarp. Output frame n, stamped n / rate seconds,
// shows the input frame that covers the input time n x speed / rate
// (counted from the first input frame), so a speed above 1 drops frames
// and one below 1 repeats them. Until a warp is set, frames pass at their
// own rate.

#include <cmath>
#include <vector>

#include "Platform/DShow/Filters/Writing/DibTransform.h"
#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {
namespace {

constexpr int kLastMode = 10;

class TimeWarp final : public DibTransform, public ITimeWarp {
public:
    TimeWarp() : DibTransform(NAME("Time Warp"), CLSID_TimeWarp) {}

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_ITimeWarp)
            return GetInterface(static_cast<ITimeWarp*>(this), object);
        return DibTransform::NonDelegatingQueryInterface(riid, object);
    }

    HRESULT STDMETHODCALLTYPE GetWarp(int* mode, float* speed, float* frameRate) override
    {
        CheckPointer(mode, E_POINTER);
        CheckPointer(speed, E_POINTER);
        CheckPointer(frameRate, E_POINTER);
        CAutoLock guard(&m_csFilter);
        *mode = m_mode;
        *speed = m_speed;
        *frameRate = m_rate;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetWarp(int mode, float speed, float frameRate) override
    {
        if (!(speed > 0) || !(frameRate > 0) || mode < 0 || mode > kLastMode || !std::isfinite(speed) ||
            !std::isfinite(frameRate))
            return E_INVALIDARG;
        CAutoLock guard(&m_csFilter);
        if (!IsStopped())
            return VFW_E_WRONG_STATE;
        m_mode = mode;
        m_speed = speed;
        m_rate = frameRate;
        return S_OK;
    }

    HRESULT StartStreaming() override
    {
        Forget();
        return S_OK;
    }

    HRESULT Receive(IMediaSample* sample) override
    {
        CAutoLock guard(&m_csReceive);
        REFERENCE_TIME start = 0, stop = 0;
        const REFERENCE_TIME inputFrame = InputFrameTime();
        if (FAILED(sample->GetTime(&start, &stop))) {
            start = m_held.empty() ? 0 : m_heldStart + inputFrame;
            stop = start + inputFrame;
        } else if (stop <= start) {
            stop = start + inputFrame;
        }
        if (!m_haveFirst) {
            m_first = start;
            m_haveFirst = true;
        }
        HRESULT hr = EmitBefore(start - m_first);
        if (FAILED(hr))
            return hr;
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        m_held.assign(data, data + sample->GetActualDataLength());
        m_heldStart = start;
        m_heldStop = stop;
        return S_OK;
    }

    HRESULT EndOfStream() override
    {
        {
            CAutoLock guard(&m_csReceive);
            if (!m_held.empty())
                EmitBefore(m_heldStop - m_first);
            Forget();
        }
        return CTransformFilter::EndOfStream();
    }

    HRESULT EndFlush() override
    {
        {
            CAutoLock guard(&m_csReceive);
            Forget();
        }
        return CTransformFilter::EndFlush();
    }

protected:
    REFERENCE_TIME OutputFrameTime() override
    {
        return m_rate > 0 ? static_cast<REFERENCE_TIME>(std::llround(UNITS / static_cast<double>(m_rate)))
                          : InputFrameTime();
    }

private:
    void Forget()
    {
        m_held.clear();
        m_haveFirst = false;
        m_next = 0;
    }

    // Sends the held frame as every output frame whose input time lies
    // before `until` (relative to the first input frame).
    HRESULT EmitBefore(REFERENCE_TIME until)
    {
        if (m_held.empty())
            return S_OK;
        const REFERENCE_TIME frame = OutputFrameTime();
        for (;;) {
            const double source = static_cast<double>(m_next) * frame * m_speed;
            if (source >= static_cast<double>(until))
                return S_OK;
            IMediaSample* out = nullptr;
            REFERENCE_TIME start = m_next * frame, stop = start + frame;
            HRESULT hr = m_pOutput->GetDeliveryBuffer(&out, &start, &stop, 0);
            if (FAILED(hr))
                return hr;
            BYTE* target = nullptr;
            out->GetPointer(&target);
            const LONG size = std::min<LONG>(static_cast<LONG>(m_held.size()), out->GetSize());
            std::copy(m_held.begin(), m_held.begin() + size, target);
            out->SetActualDataLength(size);
            out->SetTime(&start, &stop);
            out->SetSyncPoint(TRUE);
            ++m_next;
            hr = m_pOutput->Deliver(out);
            out->Release();
            if (hr != S_OK)
                return hr;
        }
    }

    int m_mode = 0;
    float m_speed = 1.0f;
    float m_rate = 0.0f; // 0: the input's rate
    std::vector<BYTE> m_held;
    REFERENCE_TIME m_heldStart = 0;
    REFERENCE_TIME m_heldStop = 0;
    REFERENCE_TIME m_first = 0;
    bool m_haveFirst = false;
    int64_t m_next = 0;
};

} // namespace

HRESULT CreateTimeWarp(REFIID riid, void** object) { return CreateSystemObject<TimeWarp>(riid, object); }

} // namespace dshow
