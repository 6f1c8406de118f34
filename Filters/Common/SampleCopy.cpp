#include "Filters/Common/SampleCopy.h"

#include "Platform/Win/Kernel/Modules.h"

#include <atomic>
#include <chrono>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace sample_copy {
namespace {

constexpr DWORD kMmxBits = 0x800000 | 0x2000000;

// The cached answer of the check and whether a check is still to be made.
std::atomic<bool> g_mmx{false};
std::atomic<bool> g_checkPending{true};

using FeaturesProc = DWORD (*)();

HRESULT CopyFieldByField(IMediaSample* source, IMediaSample* destination)
{
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = source->GetTime(&start, &stop);
    if (hr == S_OK)
        destination->SetTime(&start, &stop);
    else if (hr == VFW_S_NO_STOP_TIME)
        destination->SetTime(&start, nullptr);
    LONGLONG mediaStart = 0, mediaStop = 0;
    if (source->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        destination->SetMediaTime(&mediaStart, &mediaStop);

    auto flag = [](HRESULT answer, BOOL* value) {
        if (answer == S_OK)
            *value = TRUE;
        else if (answer == S_FALSE)
            *value = FALSE;
        else
            return false;
        return true;
    };
    BOOL value = FALSE;
    if (!flag(source->IsSyncPoint(), &value))
        return E_UNEXPECTED;
    destination->SetSyncPoint(value);

    AM_MEDIA_TYPE* type = nullptr;
    source->GetMediaType(&type);
    destination->SetMediaType(type);
    DeleteMediaType(type);

    if (!flag(source->IsPreroll(), &value))
        return E_UNEXPECTED;
    destination->SetPreroll(value);
    if (!flag(source->IsDiscontinuity(), &value))
        return E_UNEXPECTED;
    destination->SetDiscontinuity(value);
    return destination->SetActualDataLength(source->GetActualDataLength());
}

HRESULT CopyThroughSample2(IMediaSample* source, IMediaSample* destination)
{
    IMediaSample2* from = nullptr;
    IMediaSample2* to = nullptr;
    HRESULT hr = source->QueryInterface(IID_IMediaSample2, reinterpret_cast<void**>(&from));
    if (SUCCEEDED(hr))
        hr = destination->QueryInterface(IID_IMediaSample2, reinterpret_cast<void**>(&to));
    AM_SAMPLE2_PROPERTIES props{};
    if (SUCCEEDED(hr))
        hr = from->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props));
    if (SUCCEEDED(hr))
        hr = destination->GetPointer(&props.pbBuffer);
    if (SUCCEEDED(hr)) {
        props.cbBuffer = destination->GetSize();
        props.cbData = sizeof props;
        hr = to->SetProperties(sizeof props, reinterpret_cast<const BYTE*>(&props));
    }
    if (SUCCEEDED(hr)) {
        LONGLONG mediaStart = 0, mediaStop = 0;
        if (source->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
            destination->SetMediaTime(&mediaStart, &mediaStop);
        hr = destination->SetActualDataLength(props.lActual);
    }
    if (from)
        from->Release();
    if (to)
        to->Release();
    return hr;
}

} // namespace

bool IsMmxPresent(const Variant& variant)
{
    if (!g_checkPending)
        return g_mmx;
    HMODULE library = LoadLibraryA("CPUINF32.DLL");
    if (!library)
        return false;
    auto features = reinterpret_cast<FeaturesProc>(GetProcAddress(library, "wincpufeatures"));
    if (!features) {
        FreeLibrary(library);
        return false;
    }
    if (features() & kMmxBits)
        g_mmx = true;
    g_checkPending = false;
    if (variant.unloadAfterCheck)
        FreeLibrary(library);
    return g_mmx;
}

void CopyBuffer(BYTE* destination, const BYTE* source, LONG length)
{
    if (length > 0)
        std::memcpy(destination, source, static_cast<size_t>(length));
}

void CopyBufferMmx(BYTE* destination, const BYTE* source, LONG length)
{
    // The vector unit does what the MMX moves did; the contract is the
    // same byte-exact copy.
    CopyBuffer(destination, source, length);
}

HRESULT CopySampleProperties(IMediaSample* source, IMediaSample* destination)
{
    CheckPointer(source, E_POINTER);
    CheckPointer(destination, E_POINTER);
    HRESULT hr = CopyThroughSample2(source, destination);
    if (FAILED(hr))
        hr = CopyFieldByField(source, destination);
    return hr;
}

HRESULT CopySample(IMediaSample* source, IMediaSample* destination, bool useMmx)
{
    CheckPointer(source, E_POINTER);
    CheckPointer(destination, E_POINTER);
    LONG length = source->GetActualDataLength();
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    HRESULT hr = source->GetPointer(&from);
    if (FAILED(hr))
        return hr;
    hr = destination->GetPointer(&to);
    if (FAILED(hr))
        return hr;
    if ((length > 0 && (!from || !to)) || length < 0)
        return E_POINTER;
    if (length > destination->GetSize())
        return VFW_E_BUFFER_OVERFLOW;
    hr = CopySampleProperties(source, destination);
    if (FAILED(hr))
        return hr;
    if (useMmx)
        CopyBufferMmx(to, from, length);
    else
        CopyBuffer(to, from, length);
    return S_OK;
}

DWORD ReadTimeStamp()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid(0, a, b, c, d);
    DWORD stamp = static_cast<DWORD>(__rdtsc());
    __cpuid(0, a, b, c, d);
    return stamp;
#else
    return static_cast<DWORD>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}

} // namespace sample_copy
