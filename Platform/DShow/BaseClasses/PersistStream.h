#pragma once
// CPersistStream: IPersistStream for filters. The stream starts with the
// software version (GetSoftwareVersion) written by WriteInt, followed by
// what WriteToStream writes; GetSizeMax reports SizeMax() plus that
// header. Integers are written as 12 UTF-16 characters, "%011d " (24
// bytes each).

#include "Platform/DShow/BaseClasses/ComBase.h"

class CPersistStream : public IPersistStream {
public:
    CPersistStream(IUnknown* outer, HRESULT* result);
    virtual ~CPersistStream();

    HRESULT STDMETHODCALLTYPE IsDirty() override;
    // Reads the version into mPS_dwFileVersion, then ReadFromStream.
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;

    HRESULT SetDirty(BOOL dirty)
    {
        mPS_fDirty = dirty;
        return S_OK;
    }

    virtual HRESULT WriteToStream(IStream*) { return S_OK; }
    virtual HRESULT ReadFromStream(IStream*) { return S_OK; }
    // Bytes WriteToStream writes at most.
    virtual int SizeMax() { return 0; }
    virtual DWORD GetSoftwareVersion() { return 0; }

protected:
    DWORD mPS_dwFileVersion = 0;
    BOOL mPS_fDirty = FALSE;
};

// Bytes of one integer in the stream.
constexpr int PERSIST_INT_BYTES = 12 * sizeof(WCHAR);

HRESULT WriteInt(IStream* stream, int value);
// The integer at the stream's position; `hr` reports failures of the read
// (VFW_E_FILE_TOO_SHORT at the end of the stream) and
// VFW_E_INVALID_FILE_FORMAT for text that is not a number.
int ReadInt(IStream* stream, HRESULT& hr);
