#pragma once
// The still-image capture renderer: ignores every frame until the program
// asks for one (IKLFrameCap::CaptureToFile), then saves the next frame as
// a BMP, JPEG or TIFF file by the file name's extension.

#include <string>

#include "Filters/Pellmark/CaptureRenderer.h"

class CImgCapFilter;

class CImgCapInputPin : public CRenderedInputPin {
public:
    CImgCapInputPin(CImgCapFilter* filter, CCritSec* lock, HRESULT* result);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample* sample) override;
    HRESULT STDMETHODCALLTYPE ReceiveCanBlock() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT BreakConnect() override;

    HRESULT CaptureToFile(const char* path, DWORD timeout);

private:
    // Saves the frame to the requested file; S_OK once it is on disk.
    HRESULT Save(IMediaSample* sample);

    CCritSec m_captureLock;
    CAMEvent m_done;
    std::string m_path;
    int m_format = 0;
    // The request waiting for a frame (0: none), and the last one served
    // with its result: a caller accepts only the answer to its own request.
    unsigned m_nextRequest = 0;
    unsigned m_pending = 0;
    unsigned m_served = 0;
    HRESULT m_result = S_OK;
};

class CImgCapFilter : public CCaptureRenderer, public IKLFrameCap {
public:
    CImgCapFilter(LPUNKNOWN outer, HRESULT* result);
    static CUnknown* CreateInstance(LPUNKNOWN outer, HRESULT* result);

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // E_INVALIDARG for a path whose file name does not end in .bmp, .jpg or
    // .tif (any case) or that is 260 characters or longer.
    HRESULT STDMETHODCALLTYPE CaptureToFile(const char* path) override;

    // The file format code for a path, or -1 when no such file is written.
    static int FormatFor(const std::string& path);
    // How long a capture waits for a frame (10000 ms unless a test says).
    void SetCaptureWait(DWORD milliseconds) { m_wait = milliseconds; }

private:
    DWORD m_wait = 10000;
};
