#include "Win32/Produce/AsfWriter.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "Platform/DShow/Api/Guids.h"
#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Outside/WindowsMedia/WindowsMedia.h"
#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Kernel/Sync.h"
#include "Platform/Win/Kernel/System.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

template <typename T>
void ReleaseOf(T*& object)
{
    if (object != nullptr)
        object->Release();
    object = nullptr;
}

void LogTrace(LPCSTR text)
{
    if (CShellServices::Get().GetDebugLevel() > 3)
        CShellServices::Get().WriteDebugLog(text);
}

// Sets WMT_CLOSED's event; counted with interlocked operations because
// the indexer reports from a thread of its own.
class IndexStatus final : public wmf::StatusCallback {
public:
    ULONG AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_count)); }
    ULONG Release() override
    {
        const LONG count = InterlockedDecrement(&m_count);
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }
    HRESULT OnStatus(wmf::WMT_STATUS status, HRESULT, wmf::WMT_ATTR_DATATYPE, BYTE*, void* context) override
    {
        if (status == wmf::WMT_CLOSED && context != nullptr)
            SetEvent(*static_cast<HANDLE*>(context));
        return S_OK;
    }

private:
    LONG volatile m_count = 1;
};

} // namespace

// The Windows Media writer and its inputs.
class CWMOutput {
public:
    explicit CWMOutput(ULONGLONG frameTime) : m_tFrame(frameTime) {}
    ~CWMOutput()
    {
        ReleaseOf(m_pAudioProps);
        ReleaseOf(m_pVideoProps);
        ReleaseOf(m_pWriter);
        FreeDib(m_pFrameDib);
    }
    CWMOutput(const CWMOutput&) = delete;
    CWMOutput& operator=(const CWMOutput&) = delete;

    HRESULT SetUp(const CString& path, wmf::Profile* profile, const WAVEFORMATEX* audioFormat, int width,
                  int height, DWORD frameTime);
    HRESULT WriteSamples(const CWaveBuffer* audio, const CIplImage* image);
    HRESULT End()
    {
        if (m_pWriter == nullptr)
            return S_OK;
        m_pWriter->Flush();
        return m_pWriter->EndWriting();
    }

    int m_bReady = 0;
    wmf::Writer* m_pWriter = nullptr;
    wmf::InputProps* m_pAudioProps = nullptr;
    wmf::InputProps* m_pVideoProps = nullptr;
    DWORD m_nAudioInput = 0;
    DWORD m_nVideoInput = 0;
    ULONGLONG m_tNext = 0;
    ULONGLONG m_tFrame;
    BITMAPINFOHEADER* m_pFrameDib = nullptr;

private:
    HRESULT WriteBytes(DWORD input, const BYTE* bytes, DWORD length);
};

HRESULT CWMOutput::SetUp(const CString& path, wmf::Profile* profile, const WAVEFORMATEX* audioFormat, int width,
                         int height, DWORD frameTime)
{
    HRESULT hr = wmf::CreateWriter(&m_pWriter);
    if (FAILED(hr) || FAILED(hr = m_pWriter->SetProfile(profile)))
        return hr;
    DWORD inputs = 0;
    if (FAILED(hr = m_pWriter->GetInputCount(&inputs)))
        return hr;
    for (DWORD i = 0; i < inputs; ++i) {
        wmf::InputProps* props = nullptr;
        if (FAILED(hr = m_pWriter->GetInputProps(i, &props)))
            return hr;
        GUID type{};
        props->GetType(&type);
        if (type == MEDIATYPE_Audio) {
            m_pAudioProps = props;
            m_nAudioInput = i;
        } else if (type == MEDIATYPE_Video) {
            m_pVideoProps = props;
            m_nVideoInput = i;
        } else {
            props->Release();
            return E_FAIL;
        }
    }
    if (m_pAudioProps == nullptr)
        return E_FAIL;
    const std::u16string widePath = win::Utf8ToUtf16(static_cast<LPCSTR>(path));
    if (FAILED(hr = m_pWriter->SetOutputFilename(widePath.c_str())))
        return hr;

    WAVEFORMATEX wave{};
    std::memcpy(&wave, audioFormat, 16);
    wave.cbSize = 0;
    wmf::WM_MEDIA_TYPE audioType{};
    audioType.majortype = MEDIATYPE_Audio;
    audioType.subtype = MEDIASUBTYPE_PCM;
    audioType.bFixedSizeSamples = TRUE;
    audioType.lSampleSize = wave.nBlockAlign;
    audioType.formattype = FORMAT_WaveFormatEx;
    audioType.cbFormat = sizeof wave;
    audioType.pbFormat = reinterpret_cast<BYTE*>(&wave);
    if (FAILED(hr = m_pAudioProps->SetMediaType(&audioType)) ||
        FAILED(hr = m_pWriter->SetInputProps(m_nAudioInput, m_pAudioProps)))
        return hr;

    if (m_pVideoProps != nullptr) {
        if (m_pFrameDib == nullptr)
            m_pFrameDib = AllocDib(3, width, height);
        if (m_pFrameDib == nullptr)
            return E_OUTOFMEMORY;
        VIDEOINFOHEADER info{};
        info.rcSource = {0, 0, width, height};
        info.rcTarget = info.rcSource;
        info.dwBitRate = static_cast<DWORD>(
            static_cast<ULONGLONG>(m_pFrameDib->biSizeImage) * 8 * 1000000 / (frameTime != 0 ? frameTime : 1));
        info.AvgTimePerFrame = static_cast<REFERENCE_TIME>(frameTime) * 10;
        info.bmiHeader = *m_pFrameDib;
        wmf::WM_MEDIA_TYPE videoType{};
        videoType.majortype = MEDIATYPE_Video;
        videoType.subtype = MEDIASUBTYPE_RGB24;
        videoType.bFixedSizeSamples = TRUE;
        videoType.formattype = FORMAT_VideoInfo;
        videoType.cbFormat = sizeof info;
        videoType.pbFormat = reinterpret_cast<BYTE*>(&info);
        if (FAILED(hr = m_pVideoProps->SetMediaType(&videoType)) ||
            FAILED(hr = m_pWriter->SetInputProps(m_nVideoInput, m_pVideoProps)))
            return hr;
    }
    hr = m_pWriter->BeginWriting();
    m_bReady = SUCCEEDED(hr) ? 1 : 0;
    return hr;
}

HRESULT CWMOutput::WriteBytes(DWORD input, const BYTE* bytes, DWORD length)
{
    wmf::Buffer* sample = nullptr;
    HRESULT hr = m_pWriter->AllocateSample(length, &sample);
    if (FAILED(hr))
        return hr;
    BYTE* data = nullptr;
    DWORD size = 0;
    sample->GetBufferAndLength(&data, &size);
    std::memcpy(data, bytes, length);
    sample->SetLength(length);
    hr = m_pWriter->WriteSample(input, m_tNext, 0, sample);
    sample->Release();
    return hr;
}

HRESULT CWMOutput::WriteSamples(const CWaveBuffer* audio, const CIplImage* image)
{
    HRESULT hr = S_OK;
    if (audio != nullptr && audio->m_pData != nullptr && audio->m_nLength > 0)
        hr = WriteBytes(m_nAudioInput, audio->m_pData, audio->m_nLength);
    // A profile without pictures takes none.
    if (SUCCEEDED(hr) && m_pVideoProps != nullptr && image != nullptr && image->GetImage() != nullptr) {
        std::unique_ptr<CIplImage> scaled;
        const CIplImage* picture = ImageOfSize(image, m_pFrameDib->biWidth, m_pFrameDib->biHeight, scaled);
        if (picture == nullptr || !picture->ToDib(m_pFrameDib))
            return E_FAIL;
        hr = WriteBytes(m_nVideoInput, GetDibBits(m_pFrameDib), m_pFrameDib->biSizeImage);
    }
    m_tNext += m_tFrame;
    return hr;
}

MASFWriter::MASFWriter(HWND notifyWindow) : m_hNotifyWindow(notifyWindow)
{
    m_nOutputType = 4;
    m_strExtension = ".wmv";
    SetDefaultVideoFormat();
    SetDefaultAudioFormat();
}

MASFWriter::~MASFWriter()
{
    if (!m_bClosed)
        Close(0);
}

int MASFWriter::SetStreamProfile(const INT32 record[kProfileWords])
{
    m_nProfileIndex = record[0];
    TakeProfileFrame(record);
    return kWriterOk;
}

int MASFWriter::Open(const MediaFrame& frame)
{
    if (m_strTempName.IsEmpty()) {
        if (const int made = MakeTempFileName(); made != kWriterOk)
            return made;
    }
    wmf::Profile* profile = nullptr;
    const HRESULT loaded = wmf::LoadSystemProfile(static_cast<DWORD>(m_nProfileIndex), &profile);
    if (FAILED(loaded)) {
        std::printf("Could not load profile hr = %x\n", static_cast<unsigned>(loaded));
        return kWriterOpenFailed;
    }
    m_pOutput = std::make_unique<CWMOutput>(static_cast<ULONGLONG>(m_nFrameTime) * 10);
    const HRESULT hr =
        m_pOutput->SetUp(m_strTempName, profile, frame.m_pAudio->GetFormat(), m_nWidth, m_nHeight, m_nFrameTime);
    profile->Release();
    if (FAILED(hr) || !m_pOutput->m_bReady) {
        m_pOutput.reset();
        return kWriterOpenFailed;
    }
    return kWriterOk;
}

int MASFWriter::Write(MediaFrame& frame, int)
{
    if (m_bClosed)
        return kWriterClosed;
    if (frame.m_pAudio == nullptr || frame.m_pAudio->m_pBlock == nullptr) {
        if (!m_pSilence) {
            WAVEFORMATEX format{m_wfAudio.wf.wFormatTag, m_wfAudio.wf.nChannels, m_wfAudio.wf.nSamplesPerSec,
                                m_wfAudio.wf.nAvgBytesPerSec, m_wfAudio.wf.nBlockAlign, m_wfAudio.wBitsPerSample, 0};
            m_pSilence = std::make_unique<CWaveBuffer>(&format, nullptr, 0);
            m_pSilence->InitForDuration(format.nChannels, format.nSamplesPerSec, format.wBitsPerSample, m_nFrameTime);
        }
        delete frame.m_pAudio;
        frame.m_pAudio = new CWaveBuffer(m_pSilence->GetFormat(), nullptr, m_pSilence->m_nLength);
    }
    if (!m_pOutput) {
        if (const int opened = Open(frame); opened != kWriterOk)
            return opened;
    }
    const HRESULT hr = m_pOutput->WriteSamples(frame.m_pAudio, frame.m_pImage);
    if (m_bNoAudio) {
        delete frame.m_pAudio;
        frame.m_pAudio = nullptr;
    }
    if (FAILED(hr))
        return kWriterFrameFailed;
    ++m_nFramesWritten;
    LogTrace("Frame Written\r\n");
    return kWriterOk;
}

void MASFWriter::IndexFile()
{
    const std::u16string widePath = win::Utf8ToUtf16(static_cast<LPCSTR>(m_strOutputName));
    wmf::Indexer* indexer = nullptr;
    HRESULT hr = wmf::CreateIndexer(&indexer);
    if (FAILED(hr)) {
        std::fprintf(stderr, "failed to create Indexer: hr = %x\n", static_cast<unsigned>(hr));
        return;
    }
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (event == nullptr) {
        std::printf("Failed to create event object\n");
        indexer->Release();
        return;
    }
    auto* status = new IndexStatus;
    hr = indexer->StartIndexing(widePath.c_str(), status, &event);
    if (FAILED(hr))
        std::printf("StartIndex returned failure: hr = %x\n", static_cast<unsigned>(hr));
    else if (WaitForSingleObject(event, kIndexWaitMs) != WAIT_OBJECT_0)
        std::printf("Indexing did not finish in time\n");
    status->Release();
    indexer->Release();
    CloseHandle(event);
}

int MASFWriter::Close(int finish)
{
    LogTrace("MASFWriter::Close\r\n");
    m_bClosed = 1;
    bool complete = true;
    if (m_pOutput) {
        complete = SUCCEEDED(m_pOutput->End());
        m_pOutput.reset();
    } else {
        complete = false;
    }
    if (finish && !complete) {
        FinishFile(0);
        return kWriterOpenFailed;
    }
    const int result = FinishFile(finish);
    if (finish && result == kWriterOk)
        IndexFile();
    return result;
}

ULONGLONG MASFWriter::NextSampleTime() const
{
    return m_pOutput ? m_pOutput->m_tNext : 0;
}
