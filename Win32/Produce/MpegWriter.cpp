#include "Win32/Produce/MpegWriter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Platform/Outside/GoMotion/GoMotion.h"
#include "Platform/Outside/Ipl/Ipl.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Kernel/Memory.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Produce/ProfiledWriter.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

IMPLEMENT_DYNAMIC(CAudioBuf, CObject)

namespace {

// The encoder's state, one per process.
struct EncoderState {
    void* context = nullptr;
    std::vector<BYTE> frame;
    int hasVideo = 0;
    int hasAudio = 0;
    GoMotionAudioFrame audio{};
};
EncoderState g_encoder;

// Words of the parameter block the writer reads or sets.
constexpr int kRateCodeWord = 3;
constexpr int kFixedWord = 5;
constexpr int kAspectWord = 8;
constexpr int kFormatWord = 9;
constexpr int kStereoWord = 11;
constexpr int kSampleRateWord = 13;
constexpr int kTotalFramesWord = 22;
// The settings' words 0..6 come before the parameter words.
constexpr int kFirstParamWord = 7;

void LogError(LPCSTR text)
{
    if (CShellServices::Get().GetDebugLevel() > 0)
        CShellServices::Get().WriteDebugLog(text);
}

} // namespace

CAudioBuf::CAudioBuf(DWORD size)
{
    m_hMem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (m_hMem != nullptr)
        m_pData = static_cast<BYTE*>(GlobalLock(m_hMem));
    if (m_pData == nullptr)
        m_bAllocFailed = TRUE;
}

CAudioBuf::~CAudioBuf()
{
    if (m_hMem != nullptr) {
        if (m_pData != nullptr)
            GlobalUnlock(m_hMem);
        GlobalFree(m_hMem);
    }
}

MMpegWriter::MMpegWriter()
{
    m_nOutputType = 2;
    m_strExtension = ".mpg";
    m_nBitDepth = 24;
    m_nWidth = 352;
    m_nHeight = 240;
    m_wfAudio = PCMWAVEFORMAT{{WAVE_FORMAT_PCM, 2, 44100, 176400, 4}, 16};
    g_encoder.hasAudio = 0;
}

MMpegWriter::~MMpegWriter()
{
    if (!m_bClosed)
        Close(0);
}

int MMpegWriter::SetMpegParams(const INT32 words[kSettingsWords])
{
    m_nWidth = words[4];
    m_nHeight = words[5];
    std::copy(words + kFirstParamWord, words + kFirstParamWord + kParamWords, m_params.begin());
    m_params[kAspectWord] = m_params[kFormatWord] == 1 ? 8 : m_params[kFormatWord] == 2 ? 12 : 1;
    const WORD channels = static_cast<WORD>(std::clamp(m_params[kStereoWord] + 1, 1, 2));
    const DWORD rate = static_cast<DWORD>(std::max(m_params[kSampleRateWord], 0));
    m_wfAudio.wf.wFormatTag = WAVE_FORMAT_PCM;
    m_wfAudio.wf.nChannels = channels;
    m_wfAudio.wf.nSamplesPerSec = rate;
    m_wfAudio.wBitsPerSample = 16;
    m_wfAudio.wf.nBlockAlign = static_cast<WORD>(channels * 2);
    m_wfAudio.wf.nAvgBytesPerSec = m_wfAudio.wf.nBlockAlign * rate;
    static const double rates[] = {23.97, 24.0, 25.0, 29.97, 30.0};
    const int code = m_params[kRateCodeWord];
    if (code >= 1 && code <= 5)
        m_nFrameTime = static_cast<DWORD>(1000000.0 / rates[code - 1]);
    return kWriterOk;
}

int MMpegWriter::Open(bool hasVideo, bool hasAudio)
{
    if (m_strTempName.IsEmpty()) {
        if (const int made = MakeTempFileName(); made != kWriterOk)
            return made;
    }
    g_encoder.context = GoMotionCreateContext();
    m_params[kTotalFramesWord] = m_nTotalFrames;
    std::array<INT32, kParamWords> params = m_params;
    params[kFixedWord] = 20;

    BITMAPINFOHEADER picture{40, m_nWidth, m_nHeight, 1, 24, BI_RGB,
                             static_cast<DWORD>(m_nWidth) * static_cast<DWORD>(m_nHeight) * 3, 0, 0, 0, 0};
    WAVEFORMATEX sound{m_wfAudio.wf.wFormatTag, m_wfAudio.wf.nChannels, m_wfAudio.wf.nSamplesPerSec,
                       m_wfAudio.wf.nAvgBytesPerSec, m_wfAudio.wf.nBlockAlign, m_wfAudio.wBitsPerSample, 0};
    INT_PTR record[GOMOTION_OPEN_WORDS] = {};
    record[GOMOTION_OPEN_VIDEO_FORMAT] = reinterpret_cast<INT_PTR>(&picture);
    record[GOMOTION_OPEN_AUDIO_FORMAT] = reinterpret_cast<INT_PTR>(&sound);
    record[GOMOTION_OPEN_HAS_VIDEO] = hasVideo ? 1 : 0;
    record[GOMOTION_OPEN_HAS_AUDIO] = hasAudio ? 1 : 0;
    record[GOMOTION_OPEN_PATH] = reinterpret_cast<INT_PTR>(static_cast<LPCSTR>(m_strTempName));
    if (OpenGoMotionEncoder(g_encoder.context, record, params.data()) < 0) {
        LogError("The MPEG encoder could not be opened\r\n");
        return kWriterOpenFailed;
    }
    g_encoder.frame.assign(static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight) * 3, 0);
    m_bEncoderReady = 1;
    return kWriterOk;
}

int MMpegWriter::PassAudio(const BYTE* bytes, DWORD length)
{
    // A block larger than the staging buffer goes in pieces of whole sample
    // frames.
    const DWORD align = std::max<DWORD>(m_wfAudio.wf.nBlockAlign, 1);
    const DWORD piece = CAudioBuf::kSize / align * align;
    for (DWORD done = 0; done < length;) {
        const DWORD count = std::min(piece, length - done);
        std::memcpy(m_pAudioBuf->m_pData, bytes + done, count);
        g_encoder.audio = {m_pAudioBuf->m_pData, count};
        DWORD out = 0;
        if (CompressAudioFrame(g_encoder.context, &g_encoder.audio, &out) < 0)
            return kWriterStreamFailed;
        done += count;
    }
    return kWriterOk;
}

int MMpegWriter::Write(MediaFrame& frame, int)
{
    if (m_bClosed)
        return kWriterClosed;
    const CWaveBuffer* audio = frame.m_pAudio;
    const bool carriesAudio = audio != nullptr && audio->m_pData != nullptr && audio->m_nLength > 0;
    const CIplImage* image = frame.m_pImage;
    const bool carriesImage = image != nullptr && image->GetImage() != nullptr;
    if (!m_bOpened) {
        m_bOpened = 1;
        g_encoder.audio = {};
        g_encoder.hasAudio = carriesAudio ? 1 : 0;
        if (g_encoder.hasAudio) {
            m_pAudioBuf = std::make_unique<CAudioBuf>(CAudioBuf::kSize);
            if (m_pAudioBuf->m_bAllocFailed)
                return kWriterOutOfMemory;
        }
        g_encoder.hasVideo = carriesImage ? 1 : 0;
        if (const int opened = Open(carriesImage, carriesAudio); opened != kWriterOk)
            return opened;
    }
    if (!m_bEncoderReady)
        return kWriterOpenFailed;

    g_encoder.hasVideo = carriesImage ? 1 : 0;
    if (carriesImage) {
        // A picture of another size is scaled to the encoder's.
        std::unique_ptr<CIplImage> scaled;
        const CIplImage* sized = ImageOfSize(image, m_nWidth, m_nHeight, scaled);
        if (sized == nullptr)
            return kWriterFrameFailed;
        const IplImage* picture = sized->GetImage();
        if (picture->nChannels != 3 || picture->depth != IPL_DEPTH_8U || picture->imageData == nullptr)
            return kWriterFrameFailed;
        const size_t row = static_cast<size_t>(m_nWidth) * 3;
        for (int y = 0; y < m_nHeight; ++y)
            std::memcpy(&g_encoder.frame[static_cast<size_t>(m_nHeight - 1 - y) * row],
                        picture->imageData + static_cast<ptrdiff_t>(y) * picture->widthStep, row);
        DWORD out = 0;
        if (CompressVideoFrame(g_encoder.context, g_encoder.frame.data(), 0, &out) < 0)
            return kWriterFrameFailed;
    }

    g_encoder.hasAudio = carriesAudio ? 1 : 0;
    if (carriesAudio) {
        if (!m_pAudioBuf) {
            // The encoder was opened without sound: it has no stream to take
            // this block.
            if (!m_bAudioRefused)
                LogError("Sound after a first frame without sound is not encoded\r\n");
            m_bAudioRefused = 1;
        } else if (const int passed = PassAudio(audio->m_pData, audio->m_nLength); passed != kWriterOk) {
            return passed;
        }
    }
    return kWriterOk;
}

int MMpegWriter::Close(int finish)
{
    int result = kWriterOk;
    if (!m_bClosed) {
        m_bClosed = 1;
        if (m_bOpened && g_encoder.context != nullptr) {
            if (m_bEncoderReady && CloseGoMotionEncoder(g_encoder.context) < 0)
                result = kWriterOpenFailed;
            GoMotionDeleteContext(g_encoder.context);
            g_encoder.context = nullptr;
        }
    }
    g_encoder.frame.clear();
    g_encoder.frame.shrink_to_fit();
    m_pAudioBuf.reset();
    if (finish && (!m_bEncoderReady || result != kWriterOk)) {
        // Nothing complete to put in the target's place.
        FinishFile(0);
        return kWriterOpenFailed;
    }
    return FinishFile(finish && m_bEncoderReady);
}

int MMpegWriter::HandleNotify(long)
{
    return 0;
}

int MMpegWriter::SetAudioFormat(PCMWAVEFORMAT)
{
    return kWriterOk;
}
