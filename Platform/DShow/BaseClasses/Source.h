#pragma once
// CSource and CSourceStream: a source filter whose output pins each push
// samples from a worker thread. While the filter is paused or running the
// worker loops: take a buffer, FillBuffer, deliver. FillBuffer returning
// S_FALSE ends the stream (end of stream is delivered); an error also
// delivers end of stream and reports EC_ERRORABORT. Stopping decommits the
// allocator first, so a worker waiting for a buffer is released.

#include "Platform/DShow/BaseClasses/AMThread.h"
#include "Platform/DShow/BaseClasses/BaseFilter.h"
#include "Platform/DShow/BaseClasses/BaseOutputPin.h"

class CSourceStream;

class CSource : public CBaseFilter {
public:
    CSource(LPCTSTR name, LPUNKNOWN outer, CLSID clsid, HRESULT* result);
    CSource(LPCTSTR name, LPUNKNOWN outer, CLSID clsid);
    ~CSource() override;

    int GetPinCount() override;
    CBasePin* GetPin(int index) override;
    // Pins are found by the ids QueryId gives them: "1", "2", ...
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;

    // The pins add and remove themselves.
    HRESULT AddPin(CSourceStream* stream);
    HRESULT RemovePin(CSourceStream* stream);
    // The index of the pin, or -1.
    int FindPinNumber(IPin* pin);

    CCritSec* pStateLock() { return &m_cStateLock; }

protected:
    int m_iPins = 0;
    CSourceStream** m_paStreams = nullptr;
    CCritSec m_cStateLock;
};

class CSourceStream : public CAMThread, public CBaseOutputPin {
public:
    CSourceStream(LPCTSTR objectName, HRESULT* result, CSource* filter, LPCWSTR pinName);
    ~CSourceStream() override;

    // Fills one sample; S_FALSE ends the stream.
    virtual HRESULT FillBuffer(IMediaSample* sample) = 0;

    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }
    virtual HRESULT OnThreadStartPlay() { return S_OK; }

    // Starts the worker (connected pins only).
    HRESULT Active() override;
    // Decommits the allocator, then stops and ends the worker.
    HRESULT Inactive() override;

    // The single type of GetMediaType(CMediaType*) by default.
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    virtual HRESULT GetMediaType(CMediaType*) { return E_UNEXPECTED; }

    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;

protected:
    enum Command { CMD_INIT, CMD_PAUSE, CMD_RUN, CMD_STOP, CMD_EXIT };
    HRESULT Init() { return static_cast<HRESULT>(CallWorker(CMD_INIT)); }
    HRESULT Exit() { return static_cast<HRESULT>(CallWorker(CMD_EXIT)); }
    HRESULT Run() { return static_cast<HRESULT>(CallWorker(CMD_RUN)); }
    HRESULT Pause() { return static_cast<HRESULT>(CallWorker(CMD_PAUSE)); }
    HRESULT Stop() { return static_cast<HRESULT>(CallWorker(CMD_STOP)); }
    Command GetRequest() { return static_cast<Command>(CAMThread::GetRequest()); }
    BOOL CheckRequest(Command* command)
    {
        DWORD request = 0;
        BOOL waiting = CAMThread::CheckRequest(&request);
        if (waiting && command)
            *command = static_cast<Command>(request);
        return waiting;
    }

    DWORD ThreadProc() override;
    virtual HRESULT DoBufferProcessingLoop();

    using CBasePin::Run;

    CSource* m_pFilter;
};
