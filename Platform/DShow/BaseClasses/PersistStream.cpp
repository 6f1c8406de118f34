#include "Platform/DShow/BaseClasses/PersistStream.h"

#include <cstdio>

#include "Platform/DShow/Api/DShowErrors.h"

CPersistStream::CPersistStream(IUnknown*, HRESULT*) {}

CPersistStream::~CPersistStream() = default;

HRESULT STDMETHODCALLTYPE CPersistStream::IsDirty() { return mPS_fDirty ? S_OK : S_FALSE; }

HRESULT STDMETHODCALLTYPE CPersistStream::Load(IStream* stream)
{
    CheckPointer(stream, E_POINTER);
    HRESULT hr = S_OK;
    int version = ReadInt(stream, hr);
    if (FAILED(hr))
        return hr;
    mPS_dwFileVersion = static_cast<DWORD>(version);
    return ReadFromStream(stream);
}

HRESULT STDMETHODCALLTYPE CPersistStream::Save(IStream* stream, BOOL clearDirty)
{
    CheckPointer(stream, E_POINTER);
    HRESULT hr = WriteInt(stream, static_cast<int>(GetSoftwareVersion()));
    if (FAILED(hr))
        return hr;
    hr = WriteToStream(stream);
    if (FAILED(hr))
        return hr;
    if (clearDirty)
        mPS_fDirty = FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPersistStream::GetSizeMax(ULARGE_INTEGER* size)
{
    CheckPointer(size, E_POINTER);
    size->QuadPart = static_cast<ULONGLONG>(SizeMax()) + PERSIST_INT_BYTES;
    return S_OK;
}

HRESULT WriteInt(IStream* stream, int value)
{
    CheckPointer(stream, E_POINTER);
    char text[16];
    std::snprintf(text, sizeof text, "%011d ", value);
    WCHAR wide[12];
    for (int i = 0; i < 12; ++i)
        wide[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
    ULONG written = 0;
    HRESULT hr = stream->Write(wide, sizeof wide, &written);
    if (SUCCEEDED(hr) && written != sizeof wide)
        hr = STG_E_MEDIUMFULL;
    return hr;
}

// One character, or a failure in `hr` (VFW_E_FILE_TOO_SHORT at the end).
static bool ReadChar(IStream* stream, WCHAR& c, HRESULT& hr)
{
    ULONG read = 0;
    hr = stream->Read(&c, sizeof c, &read);
    if (SUCCEEDED(hr) && read != sizeof c)
        hr = VFW_E_FILE_TOO_SHORT;
    return SUCCEEDED(hr);
}

int ReadInt(IStream* stream, HRESULT& hr)
{
    hr = E_POINTER;
    if (!stream)
        return 0;
    WCHAR c = 0;
    if (!ReadChar(stream, c, hr))
        return 0;
    bool negative = false;
    if (c == u'-') {
        negative = true;
        if (!ReadChar(stream, c, hr))
            return 0;
    }
    unsigned long long value = 0;
    int digits = 0;
    while (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n' && c != 0) {
        if (c < u'0' || c > u'9' || ++digits > 11) {
            hr = VFW_E_INVALID_FILE_FORMAT;
            return 0;
        }
        value = value * 10 + static_cast<unsigned>(c - u'0');
        if (!ReadChar(stream, c, hr))
            return 0;
    }
    if (digits == 0 || value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) {
        hr = VFW_E_INVALID_FILE_FORMAT;
        return 0;
    }
    hr = S_OK;
    long long signedValue = negative ? -static_cast<long long>(value) : static_cast<long long>(value);
    return static_cast<int>(signedValue);
}
