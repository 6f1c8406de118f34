#include "Win32/Produce/RealVideoWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Outside/RealBuild/RealBuild.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

// Words of the RealVideo profile record.
constexpr int kAudioContentWord = 2;
constexpr int kVideoQualityWord = 3;
constexpr int kFirstAudienceWord = 16;
constexpr int kVideoOnWord = 22;
constexpr int kAudioOnWord = 23;
constexpr int kEventOnWord = 24;
constexpr int kImageMapOnWord = 25;

constexpr size_t kPathBlockSize = 2048;

void LogTrace(LPCSTR text)
{
    if (CShellServices::Get().GetDebugLevel() > 3)
        CShellServices::Get().WriteDebugLog(text);
}

// The folder of the program file, with its separator.
std::string ProgramFolder()
{
    char path[4096] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, std::min<size_t>(length, sizeof path));
    const size_t cut = folder.find_last_of("/\\");
    return cut == std::string::npos ? std::string("./") : folder.substr(0, cut + 1);
}

class ConsoleProgress final : public rmbe::ProgressSink {
public:
    void OnStart() override { std::printf("\nProcessing output file...\n"); }
    void OnProgress(ULONG percent) override { std::printf("\r%lu percent complete", static_cast<unsigned long>(percent)); }
    void OnDone() override { std::printf("\nProcessing complete.\n"); }
};

} // namespace

// The front end of the build engine.
class CRealEncoder {
public:
    CRealEncoder(const std::string& dllPath) : m_szDllPath(dllPath) {}
    ~CRealEncoder()
    {
        if (m_pAudioSample != nullptr)
            m_pAudioSample->Release();
        if (m_pVideoSample != nullptr)
            m_pVideoSample->Release();
        if (m_pEngine != nullptr)
            m_pEngine->Release();
    }
    CRealEncoder(const CRealEncoder&) = delete;
    CRealEncoder& operator=(const CRealEncoder&) = delete;

    HRESULT SetUp(const CString& path, const std::array<INT32, 32>& profile, int width, int height,
                  const PCMWAVEFORMAT& audio, DWORD frameTime);
    HRESULT Send(bool video, const BYTE* data, DWORD size, DWORD ms, bool last)
    {
        rmbe::Sample* sample = video ? m_pVideoSample : m_pAudioSample;
        rmbe::Pin* pin = video ? m_pVideoPin : m_pAudioPin;
        if (sample == nullptr || pin == nullptr)
            return E_FAIL;
        sample->Set(data, size, ms, last ? rmbe::RMBE_SAMPLE_LAST : 0);
        return pin->Encode(sample) < 0 ? E_FAIL : S_OK;
    }
    HRESULT Done()
    {
        ConsoleProgress progress;
        return m_pEngine->DoneEncoding(&progress);
    }

    BOOL m_bAudio = FALSE;
    BOOL m_bVideo = FALSE;
    BOOL m_bEvent = FALSE;
    BOOL m_bImageMap = FALSE;
    std::string m_szDllPath;
    std::string m_szAuthor;
    std::string m_szTitle;
    std::string m_szCopyright;
    rmbe::Engine* m_pEngine = nullptr;
    rmbe::Pin* m_pAudioPin = nullptr;
    rmbe::Pin* m_pVideoPin = nullptr;
    rmbe::Sample* m_pAudioSample = nullptr;
    rmbe::Sample* m_pVideoSample = nullptr;
    int m_nAudioContent = 0;
    int m_nVideoQuality = 0;
    std::array<int, rmbe::RMBE_AUDIENCES> m_bAudience{};
    DWORD m_nAudioChunk = 0;
    int m_bReady = 0;
};

HRESULT CRealEncoder::SetUp(const CString& path, const std::array<INT32, 32>& profile, int width, int height,
                            const PCMWAVEFORMAT& audio, DWORD frameTime)
{
    char block[kPathBlockSize] = {};
    size_t used = 0;
    for (const char* name : {"DT_Plugins", "DT_Codecs", "DT_EncSDK", "DT_Common"}) {
        const int written = std::snprintf(block + used, sizeof block - used - 1, "%s=%s", name, m_szDllPath.c_str());
        if (written < 0 || used + static_cast<size_t>(written) + 2 >= sizeof block)
            break;
        used += static_cast<size_t>(written) + 1;
    }
    rmbe::SetDLLAccessPath(block);

    bool anyAudience = false;
    for (int i = 0; i < rmbe::RMBE_AUDIENCES; ++i) {
        m_bAudience[i] = profile[kFirstAudienceWord + i];
        anyAudience = anyAudience || m_bAudience[i] == 1;
    }
    if (!anyAudience) {
        m_bAudience[0] = 1;
        std::printf("No valid target audiences specified. Using Default: 28 Kbps Modems...\n");
    }
    m_bAudio = profile[kAudioOnWord];
    m_bVideo = profile[kVideoOnWord];
    m_bEvent = profile[kEventOnWord];
    m_bImageMap = profile[kImageMapOnWord];
    m_nAudioContent = profile[kAudioContentWord] >= 0 && profile[kAudioContentWord] <= 3 ? profile[kAudioContentWord] : 0;
    m_nVideoQuality = profile[kVideoQualityWord] >= 0 && profile[kVideoQualityWord] <= 3 ? profile[kVideoQualityWord] : 0;

    HRESULT hr = rmbe::CreateBuildEngine(&m_pEngine);
    if (FAILED(hr)) {
        std::printf("Unable to create build engine.\n");
        return hr;
    }
    rmbe::Pin* eventPin = nullptr;
    rmbe::Pin* imageMapPin = nullptr;
    for (DWORD i = 0;; ++i) {
        rmbe::Pin* pin = nullptr;
        hr = m_pEngine->EnumInputPins(i, &pin);
        if (hr == rmbe::RMBE_ENUM_END || FAILED(hr))
            break;
        char mime[256] = {};
        pin->GetMimeType(mime, sizeof mime);
        if (m_bAudio && std::strcmp(mime, rmbe::kAudioMime) == 0)
            m_pAudioPin = pin;
        else if (m_bVideo && std::strcmp(mime, rmbe::kVideoMime) == 0)
            m_pVideoPin = pin;
        else if (m_bEvent && std::strcmp(mime, rmbe::kEventMime) == 0)
            eventPin = pin;
        else if (m_bImageMap && std::strcmp(mime, rmbe::kImageMapMime) == 0)
            imageMapPin = pin;
    }
    if (FAILED(hr) || (m_bAudio && m_pAudioPin == nullptr) || (m_bVideo && m_pVideoPin == nullptr) ||
        (m_bEvent && eventPin == nullptr) || (m_bImageMap && imageMapPin == nullptr)) {
        std::printf("No pin interface established...\n");
        std::printf("Error: Cannot encode.\n");
        return E_NOINTERFACE;
    }
    m_pEngine->SetOutputMime(rmbe::kAudioMime, m_bAudio);
    m_pEngine->SetOutputMime(rmbe::kVideoMime, m_bVideo);
    m_pEngine->SetOutputMime(rmbe::kEventMime, m_bEvent);
    m_pEngine->SetOutputMime(rmbe::kImageMapMime, m_bImageMap);
    m_pEngine->SetOption(0, 0);
    m_pEngine->SetOption(1, 1);

    rmbe::ClipProperties* clip = m_pEngine->GetClipProperties();
    clip->SetTitle(m_szTitle.empty() ? "Title" : m_szTitle.c_str());
    clip->SetAuthor(m_szAuthor.empty() ? "Author" : m_szAuthor.c_str());
    clip->SetCopyright(m_szCopyright.empty() ? "(c)2000" : m_szCopyright.c_str());
    const int flags[] = {1, 1, 0, 0, 1};
    for (int i = 0; i < 5; ++i)
        clip->SetFlag(i, flags[i]);
    if (FAILED(hr = clip->SetOutputFilename(path)))
        return hr;

    rmbe::TargetSettings* targets = m_pEngine->GetTargetSettings();
    if (FAILED(targets->SetVideoQuality(m_nVideoQuality)))
        std::printf("Invalid Video Quality. Using default: Normal Video Quality");
    if (FAILED(targets->SetAudioContent(m_nAudioContent)))
        std::printf("Invalid Audio Format. Using default: Voice Only");
    targets->RemoveAllTargetAudiences();
    for (int i = 0; i < rmbe::RMBE_AUDIENCES; ++i)
        if (m_bAudience[i] == 1)
            targets->AddTargetAudience(i);
    m_pEngine->SetMetadata("Generated By", "RealProducer G2 Core SDK");

    if (m_bAudio && FAILED(m_pAudioPin->SetAudioProperties(audio.wf.nChannels, static_cast<int>(audio.wf.nSamplesPerSec),
                                                           audio.wBitsPerSample))) {
        std::printf("Failed to initialize audio source properties..\n");
        return E_FAIL;
    }
    if (m_bVideo && FAILED(m_pVideoPin->SetVideoProperties(width, height,
                                                           static_cast<float>(1000000.0 / (frameTime ? frameTime : 1))))) {
        std::printf("Failed to initialize video source properties.\n");
        return E_FAIL;
    }
    if (FAILED(hr = m_pEngine->PrepareToEncode())) {
        std::printf("Call to PrepareToEncode() has failed.\n");
        std::printf("Error: Cannot encode.\n");
        return hr;
    }
    if (m_bAudio && FAILED(m_pEngine->CreateSample(&m_pAudioSample))) {
        std::printf("Failed to create media sample for audio.\n");
        return E_FAIL;
    }
    if (m_bVideo && FAILED(m_pEngine->CreateSample(&m_pVideoSample))) {
        std::printf("Failed to create media sample for video.\n");
        return E_FAIL;
    }
    if (m_bAudio && (FAILED(m_pAudioPin->GetSuggestedInputSize(&m_nAudioChunk)) || m_nAudioChunk == 0)) {
        std::printf("Failed to get suggestd audio input size.\n");
        m_bAudio = FALSE;
        m_nAudioChunk = 0;
    }
    m_bReady = 1;
    return S_OK;
}

MRealVideoWriter::MRealVideoWriter()
{
    m_nOutputType = 5;
    m_strExtension = ".rm";
    m_nWidth = 320;
    m_nHeight = 240;
    m_nBitDepth = 24;
    m_nFrameTime = 66667;
}

MRealVideoWriter::~MRealVideoWriter()
{
    if (!m_bClosed)
        Close(0);
    FreeDib(m_pDib);
}

int MRealVideoWriter::SetStreamProfile(const INT32 record[kProfileWords])
{
    TakeProfileFrame(record);
    std::copy(record, record + kProfileWords, m_profile.begin());
    return kWriterOk;
}

int MRealVideoWriter::Open()
{
    if (m_strTempName.IsEmpty()) {
        if (const int made = MakeTempFileName(); made != kWriterOk)
            return made;
    }
    m_nAudioSamplesSent = 0;
    auto encoder = std::make_unique<CRealEncoder>(ProgramFolder());
    encoder->m_szAuthor = std::string(static_cast<LPCSTR>(m_strAuthor)).substr(0, 259);
    encoder->m_szTitle = std::string(static_cast<LPCSTR>(m_strTitle)).substr(0, 255);
    encoder->m_szCopyright = std::string(static_cast<LPCSTR>(m_strCopyright)).substr(0, 259);
    const HRESULT hr = encoder->SetUp(m_strTempName, m_profile, m_nWidth, m_nHeight, m_wfAudio, m_nFrameTime);
    if (FAILED(hr) || !encoder->m_bReady)
        return kWriterOpenFailed;
    if (encoder->m_bVideo) {
        m_pDib = AllocDib(3, m_nWidth, m_nHeight);
        if (m_pDib == nullptr)
            return kWriterOutOfMemory;
    }
    if (encoder->m_bAudio) {
        const DWORD chunk = encoder->m_nAudioChunk;
        m_pAudioRing = std::make_unique<CByteRing>(
            std::max<long long>(m_wfAudio.wf.nAvgBytesPerSec, 2LL * chunk));
        m_chunk.resize(chunk);
        if (m_pAudioRing->Capacity() == 0)
            return kWriterOutOfMemory;
    }
    m_pEncoder = std::move(encoder);
    return kWriterOk;
}

int MRealVideoWriter::SendAudio(bool last)
{
    const auto chunk = static_cast<long long>(m_chunk.size());
    const DWORD align = std::max<DWORD>(m_wfAudio.wf.nBlockAlign, 1);
    const DWORD rate = std::max<DWORD>(m_wfAudio.wf.nSamplesPerSec, 1);
    while (m_pAudioRing->Used() > 0) {
        const long long held = m_pAudioRing->Used();
        if (held < chunk && !last)
            break;
        const long long count = std::min(held, chunk);
        m_pAudioRing->Read(m_chunk.data(), count);
        const bool final = last && count == held;
        const auto ms = static_cast<DWORD>(static_cast<ULONGLONG>(m_nAudioSamplesSent) * 1000 / rate);
        if (FAILED(m_pEncoder->Send(false, m_chunk.data(), static_cast<DWORD>(count), ms, final)))
            return kWriterStreamFailed;
        m_nAudioSamplesSent += static_cast<DWORD>(count) / align;
    }
    return kWriterOk;
}

int MRealVideoWriter::QueueAudio(const BYTE* bytes, size_t length)
{
    // The ring holds less than a chunk between calls and room for two, so
    // every piece finds room once the whole chunks before it are sent.
    while (length > 0) {
        const auto piece = static_cast<size_t>(std::min<long long>(static_cast<long long>(length),
                                                                   m_pAudioRing->Free() - 1));
        if (piece == 0 || !m_pAudioRing->Write(bytes, static_cast<long long>(piece)))
            return kWriterStreamFailed;
        if (const int sent = SendAudio(false); sent != kWriterOk)
            return sent;
        bytes += piece;
        length -= piece;
    }
    return kWriterOk;
}

int MRealVideoWriter::Write(MediaFrame& frame, int)
{
    if (m_bClosed)
        return kWriterClosed;
    if (!m_pEncoder) {
        if (const int opened = Open(); opened != kWriterOk)
            return opened;
    }
    const CIplImage* image = frame.m_pImage;
    if (m_pEncoder->m_bVideo && image != nullptr && image->GetImage() != nullptr) {
        std::unique_ptr<CIplImage> scaled;
        image = ImageOfSize(image, m_nWidth, m_nHeight, scaled);
        if (image == nullptr || !image->ToDib(m_pDib))
            return kWriterFrameFailed;
        const auto ms = static_cast<DWORD>(static_cast<ULONGLONG>(m_nFramesWritten) * m_nFrameTime / 1000);
        const bool last = m_nFramesWritten + 1 == m_nTotalFrames;
        if (FAILED(m_pEncoder->Send(true, GetDibBits(m_pDib), m_pDib->biSizeImage, ms, last)))
            return kWriterFrameFailed;
    }
    // A frame without sound stands for a frame of silence.
    const CWaveBuffer* audio = frame.m_pAudio;
    if (m_pEncoder->m_bAudio) {
        int queued = kWriterOk;
        if (audio != nullptr && audio->m_pData != nullptr) {
            queued = QueueAudio(audio->m_pData, audio->m_nLength);
        } else {
            const DWORD align = std::max<DWORD>(m_wfAudio.wf.nBlockAlign, 1);
            const auto samples = static_cast<ULONGLONG>(m_wfAudio.wf.nSamplesPerSec) * m_nFrameTime / 1000000;
            const std::vector<BYTE> silence(static_cast<size_t>(samples * align), 0);
            queued = QueueAudio(silence.data(), silence.size());
        }
        if (queued != kWriterOk)
            return queued;
    }
    if (m_bNoAudio) {
        delete frame.m_pAudio;
        frame.m_pAudio = nullptr;
    }
    ++m_nFramesWritten;
    LogTrace("Frame Written\r\n");
    return kWriterOk;
}

int MRealVideoWriter::Close(int finish)
{
    LogTrace("MRealVideoWriter::Close\r\n");
    m_bClosed = 1;
    bool complete = false;
    if (m_pEncoder) {
        complete = !finish || !m_pEncoder->m_bAudio || SendAudio(true) == kWriterOk;
        if (finish)
            complete = SUCCEEDED(m_pEncoder->Done()) && complete;
        m_pEncoder.reset();
    }
    m_pAudioRing.reset();
    if (finish && !complete) {
        FinishFile(0);
        return kWriterOpenFailed;
    }
    return FinishFile(finish);
}
