#include "Win32/Produce/AviWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Win32/Imaging/IplImage.h"
#include "Win32/Imaging/SharedPalette.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

constexpr FOURCC kDibHandler = mmioFOURCC('D', 'I', 'B', ' ');
constexpr int kPaletteEntries = 256;
constexpr DWORD kMaxHeldFrames = 30;
constexpr int kVideoWriteTries = 3;

struct AudioIndexFormat {
    DWORD rate;
    WORD channels;
    WORD bits;
};
// Audio index 2..13.
constexpr AudioIndexFormat kAudioIndexFormats[] = {
    {11025, 1, 8},  {11025, 2, 8},  {11025, 1, 16}, {11025, 2, 16}, {22050, 1, 8},  {22050, 2, 8},
    {22050, 1, 16}, {22050, 2, 16}, {44100, 1, 8},  {44100, 2, 8},  {44100, 1, 16}, {44100, 2, 16},
};

DWORD Stride(int bits, int width) { return static_cast<DWORD>(((bits * width / 8) + 3) & ~3); }

int DibKind(int bits) { return bits == 8 ? 0 : bits == 16 ? 1 : 3; }

} // namespace

void SetDefaultAviVideoRecords(AVISTREAMINFO& info, BITMAPINFOHEADER& header, AVICOMPRESSOPTIONS& options)
{
    header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 320, 240, 1, 24, BI_RGB, 230400, 0, 0, 0, 0};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = kDibHandler;
    info.dwScale = 66667;
    info.dwRate = 1000000;
    info.dwQuality = 10000;
    info.rcFrame = RECT{0, 0, 160, 120};
    options = AVICOMPRESSOPTIONS{streamtypeVIDEO, kDibHandler, 7, 10000, 153000, 14, &header,
                                 sizeof header,   nullptr,     0, 0};
}

AviWriter::AviWriter()
{
    m_strExtension = ".avi";
    m_nOutputType = 1;
    SetDefaultVideoFormat();
    SetDefaultAudioFormat();
    SetDefaultAviVideoRecords(m_videoInfo, m_bih, m_videoOptions);
    m_audioInfo.fccType = streamtypeAUDIO;
    m_audioInfo.dwScale = 1;
    m_audioInfo.dwRate = m_wfAudio.wf.nSamplesPerSec;
    m_audioInfo.dwSuggestedBufferSize = 1470;
    m_audioInfo.dwQuality = 10000;
    m_audioInfo.dwSampleSize = 1;
    m_audioOptions = AVICOMPRESSOPTIONS{streamtypeAUDIO, 0, 0, 10000, 0, 9, &m_wfAudio, sizeof m_wfAudio, nullptr,
                                        0,               1};
    m_pPalette = std::make_unique<CSharedPalette>(new CPaletteData(kPaletteEntries));
    m_pPalette->BuildStandard();
}

AviWriter::~AviWriter()
{
    if (m_pFile != nullptr)
        Close(0);
    FreeDib(m_pDib);
}

void AviWriter::Log(LPCSTR text, int above) const
{
    if (CShellServices::Get().GetDebugLevel() > above)
        CShellServices::Get().WriteDebugLog(text);
}

DWORD AviWriter::ImageSize() const { return Stride(m_bih.biBitCount, m_bih.biWidth) * std::abs(m_bih.biHeight); }

bool AviWriter::IsMotionJpeg() const
{
    return m_videoOptions.fccHandler == mmioFOURCC('M', 'J', 'P', 'G')
           || m_videoOptions.fccHandler == mmioFOURCC('m', 'j', 'p', 'g');
}

int AviWriter::SetOutputName(LPCSTR name)
{
    if (m_pFile != nullptr)
        return kWriterOpenFailed;
    return MediaWriter::SetOutputName(name);
}

int AviWriter::SetFrameSize(int width, int height)
{
    if (width % 4 != 0)
        return kWriterBadWidth;
    m_nWidth = width;
    m_nHeight = height;
    m_videoInfo.rcFrame.right = width;
    m_videoInfo.rcFrame.bottom = height;
    m_bih.biWidth = width;
    m_bih.biHeight = height;
    m_bih.biSizeImage = ImageSize();
    return kWriterOk;
}

int AviWriter::SetFrameTime(DWORD microseconds)
{
    const int result = MediaWriter::SetFrameTime(microseconds);
    if (result == kWriterOk)
        m_videoInfo.dwScale = microseconds;
    return result;
}

void AviWriter::SetCompressOptions(const AVICOMPRESSOPTIONS& options)
{
    m_videoOptions.fccType = options.fccType;
    m_videoOptions.fccHandler = options.fccHandler;
    m_videoOptions.dwKeyFrameEvery = options.dwKeyFrameEvery;
    m_videoOptions.dwQuality = options.dwQuality;
    m_videoOptions.dwBytesPerSecond = options.dwBytesPerSecond;
    m_videoOptions.dwFlags = options.dwFlags;
    m_videoOptions.lpParms = options.lpParms;
    m_videoOptions.cbParms = options.cbParms;
    m_videoOptions.dwInterleaveEvery = options.dwInterleaveEvery;
}

int AviWriter::SetBitDepth(int bits)
{
    const int result = MediaWriter::SetBitDepth(bits);
    if (result == kWriterOk && m_bih.biBitCount != m_nBitDepth) {
        m_bih.biBitCount = static_cast<WORD>(m_nBitDepth);
        m_bih.biClrUsed = m_nBitDepth == 8 ? kPaletteEntries : 0;
        m_bih.biSizeImage = ImageSize();
    }
    return result;
}

void AviWriter::SetAudioIndex(int code)
{
    m_bNoAudio = 0;
    m_bAudioFormatLocked = 1;
    if (code == 0) {
        m_bAudioFormatLocked = 0;
        return;
    }
    if (code == 1) {
        m_bNoAudio = 1;
        return;
    }
    AudioIndexFormat format{44100, static_cast<WORD>(code % 2 != 0 ? 2 : 1), 8};
    if (code >= 2 && code <= 13)
        format = kAudioIndexFormats[code - 2];
    const WORD align = static_cast<WORD>(format.channels * format.bits / 8);
    m_wfAudio = PCMWAVEFORMAT{{WAVE_FORMAT_PCM, format.channels, format.rate, align * format.rate, align}, format.bits};
    m_audioInfo.dwRate = format.rate;
    m_audioInfo.dwSampleSize = align;
    m_audioInfo.dwInitialFrames = 0;
    m_bAudioFormatSet = 1;
}

void AviWriter::SetInterleave(int every, double preload)
{
    const DWORD fps = m_videoInfo.dwScale != 0 ? m_videoInfo.dwRate / m_videoInfo.dwScale : 0;
    m_audioInfo.dwInitialFrames = static_cast<DWORD>(static_cast<double>(fps) * preload);
    m_audioOptions.dwInterleaveEvery = static_cast<DWORD>(every);
}

int AviWriter::SetAudioFormat(PCMWAVEFORMAT format)
{
    if (!m_bAudioFormatLocked) {
        m_wfAudio = format;
        m_audioInfo.dwRate = format.wf.nSamplesPerSec;
        m_audioInfo.dwSampleSize = format.wf.nBlockAlign;
    }
    m_bAudioFormatSet = 1;
    return kWriterOk;
}

int AviWriter::Write(MediaFrame& frame, int)
{
    CString text;
    if (m_pFile == nullptr) {
        if (!m_bNameSet)
            return kWriterNoName;
        if (const int opened = OpenFile(frame); opened != 0) {
            text.Format("AviWriter::Write header failed %d\r\n", opened);
            Log(text, 0);
            return opened;
        }
    }
    const bool preload = m_audioInfo.dwInitialFrames != 0;
    auto writeAudio = [&]() {
        const int written = WriteAudio(frame.m_pAudio);
        if (written != 0) {
            text.Format("AviWriter::WriteAudio failed %d\r\n", written);
            Log(text, 0);
        }
        return written;
    };
    if (preload && m_pAudio != nullptr && frame.m_pAudio != nullptr)
        if (const int written = writeAudio(); written != 0)
            return written;
    if (m_pVideo != nullptr && frame.m_pImage != nullptr) {
        if (const int written = WriteVideo(frame.m_pImage); written != 0) {
            text.Format("AviWriter::WriteVideo failed %d\r\n", written);
            Log(text, 0);
            return written;
        }
    }
    if (!preload && m_pAudio != nullptr && frame.m_pAudio != nullptr)
        if (const int written = writeAudio(); written != 0)
            return written;
    ++m_nFramesWritten;
    Log("Frame Written\r\n", 3);
    return kWriterOk;
}

int AviWriter::OpenFile(MediaFrame& frame)
{
    if (const int made = MakeTempFileName(); made != 0)
        return made;
    const HRESULT opened = AVIFileOpen(&m_pFile, m_strTempName, OF_WRITE | OF_CREATE, nullptr);
    if (opened != AVIERR_OK || m_pFile == nullptr) {
        CString text;
        text.Format("AVIFileOpen: Unable to open %s ERROR(%d)\r\n", static_cast<LPCSTR>(m_strTempName),
                    static_cast<int>(opened));
        Log(text, 0);
        m_pFile = nullptr;
        return opened == AVIERR_MEMORY ? kWriterOutOfMemory : kWriterOpenFailed;
    }
    if (frame.m_pImage != nullptr && frame.m_pImage->GetImage() != nullptr) {
        const IplImage* image = frame.m_pImage->GetImage();
        if (image->width != m_bih.biWidth || image->height != m_bih.biHeight) {
            m_bih.biWidth = image->width;
            m_bih.biHeight = image->height;
            m_bih.biSizeImage = ImageSize();
        }
        if (CreateVideoStream() != 0)
            return kWriterStreamFailed;
        FreeDib(m_pDib);
        m_pDib = AllocDib(DibKind(m_bih.biBitCount), m_bih.biWidth, m_bih.biHeight);
        if (m_pDib != nullptr && m_bih.biBitCount == 8)
            m_pPalette->GetEntries(0, kPaletteEntries, reinterpret_cast<RGBQUAD*>(m_pDib + 1));
    }
    if (m_bNoAudio || (frame.m_pAudio == nullptr && !m_bAudioFormatSet))
        return kWriterOk;
    m_bAudioFormatSet = 1;
    return CreateAudioStream() != 0 ? kWriterStreamFailed : kWriterOk;
}

std::vector<BYTE> AviWriter::FormatCopy() const
{
    const size_t entries = m_bih.biBitCount == 8 ? kPaletteEntries : 0;
    std::vector<BYTE> copy(sizeof m_bih + entries * sizeof(RGBQUAD));
    std::memcpy(copy.data(), &m_bih, sizeof m_bih);
    if (entries != 0)
        m_pPalette->GetEntries(0, kPaletteEntries, reinterpret_cast<RGBQUAD*>(copy.data() + sizeof m_bih));
    return copy;
}

bool AviWriter::QueryCompressedFormat(std::vector<BYTE>& input)
{
    Log("QueryCompressedFormat\r\n", 3);
    HIC hic = ICOpen(ICTYPE_VIDEO, m_videoOptions.fccHandler, ICMODE_COMPRESS);
    if (hic == nullptr)
        hic = ICOpen(ICTYPE_VIDEO, m_videoOptions.fccHandler, ICMODE_FASTCOMPRESS);
    if (hic == nullptr)
        return false;
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(input.data());
    auto ask = [&]() {
        const LRESULT size = ICCompressGetFormatSize(hic, header);
        if (size < static_cast<LRESULT>(sizeof(BITMAPINFOHEADER)))
            return false;
        m_pCompressedFormat.assign(static_cast<size_t>(size), 0);
        return ICCompressGetFormat(hic, header, reinterpret_cast<BITMAPINFOHEADER*>(m_pCompressedFormat.data()))
               == ICERR_OK;
    };
    auto setDepth = [&](WORD bits) {
        header->biBitCount = bits;
        header->biClrUsed = bits == 8 ? kPaletteEntries : 0;
        header->biSizeImage = Stride(bits, header->biWidth) * std::abs(header->biHeight);
    };
    bool found = ask();
    if (!found && header->biBitCount == 24) {
        Log("Query 16 bit\r\n", 3);
        setDepth(16);
        found = ask();
    }
    if (!found && header->biBitCount == 16) {
        Log("Query 256 colour\r\n", 3);
        setDepth(8);
        input.resize(sizeof(BITMAPINFOHEADER) + kPaletteEntries * sizeof(RGBQUAD));
        header = reinterpret_cast<BITMAPINFOHEADER*>(input.data());
        m_pPalette->GetEntries(0, kPaletteEntries, reinterpret_cast<RGBQUAD*>(input.data() + sizeof(BITMAPINFOHEADER)));
        found = ask();
    }
    ICClose(hic);
    if (!found) {
        m_pCompressedFormat.clear();
        return false;
    }
    if (header->biBitCount != m_bih.biBitCount)
        SetBitDepth(header->biBitCount);
    return true;
}

int AviWriter::CreateVideoStream()
{
    Log("CreateVideoStream\r\n", 3);
    m_nFramesWritten = 0;
    m_nNextVideoFrame = 0;
    PAVISTREAM raw = nullptr;
    const HRESULT created = AVIFileCreateStream(m_pFile, &raw, &m_videoInfo);
    if (created != AVIERR_OK || raw == nullptr) {
        CString text;
        text.Format("CVS:AVIFileCreateStream(%x) FCC(%x) Scale(%d) Rate(%d) Quality (%d)\r\n",
                    static_cast<unsigned>(created), static_cast<unsigned>(m_videoInfo.fccHandler),
                    static_cast<int>(m_videoInfo.dwScale), static_cast<int>(m_videoInfo.dwRate),
                    static_cast<int>(m_videoInfo.dwQuality));
        Log(text, 0);
        return kWriterStreamFailed;
    }
    std::vector<BYTE> format = FormatCopy();
    m_videoOptions.lpFormat = &m_bih;
    m_videoOptions.cbFormat = sizeof m_bih;
    int result = kWriterOk;
    if (m_videoOptions.fccHandler == kDibHandler || m_videoOptions.fccHandler == 0) {
        m_pVideo = raw;
        AVIStreamAddRef(m_pVideo);
    } else if (!QueryCompressedFormat(format)) {
        result = kWriterStreamFailed;
    } else {
        m_videoOptions.lpFormat = m_pCompressedFormat.data();
        m_videoOptions.cbFormat = static_cast<DWORD>(m_pCompressedFormat.size());
        if (AVIMakeCompressedStream(&m_pVideo, raw, &m_videoOptions, nullptr) != AVIERR_OK || m_pVideo == nullptr) {
            CString text;
            text.Format("MakeCompressedStream(%x)\r\n", static_cast<unsigned>(m_videoOptions.fccHandler));
            Log(text, 0);
            m_pVideo = nullptr;
            result = kWriterStreamFailed;
        }
    }
    if (result == kWriterOk
        && AVIStreamSetFormat(m_pVideo, 0, format.data(), static_cast<LONG>(format.size())) != AVIERR_OK)
        result = kWriterStreamFailed;
    AVIStreamRelease(raw);
    if (result != kWriterOk && m_pVideo != nullptr) {
        AVIStreamRelease(m_pVideo);
        m_pVideo = nullptr;
    }
    return result;
}

int AviWriter::CreateAudioStream()
{
    Log("CreateAudioStream\r\n", 3);
    m_nSamplesWritten = 0;
    m_audioInfo.dwRate = m_wfAudio.wf.nSamplesPerSec;
    m_audioInfo.dwSampleSize = std::max<WORD>(m_wfAudio.wf.nBlockAlign, 1);
    if (m_nOutputType == 6 && m_videoInfo.dwScale != 0)
        m_audioOptions.dwInterleaveEvery = static_cast<DWORD>(
            std::ceil(static_cast<double>(m_videoInfo.dwRate) / m_videoInfo.dwScale));
    if (IsMotionJpeg())
        m_videoInfo.dwInitialFrames = 0;
    if (AVIFileCreateStream(m_pFile, &m_pAudio, &m_audioInfo) != AVIERR_OK || m_pAudio == nullptr) {
        CString text;
        text.Format("AVIFileCreateStream(%d) rate(%d) SampleSize(%d)\r\n", 0, static_cast<int>(m_audioInfo.dwRate),
                    static_cast<int>(m_audioInfo.dwSampleSize));
        Log(text, 0);
        m_pAudio = nullptr;
        return kWriterStreamFailed;
    }
    if (AVIStreamSetFormat(m_pAudio, 0, &m_wfAudio, sizeof m_wfAudio) != AVIERR_OK) {
        CString text;
        text.Format("AVIStreamSetFormat(%d): FormatTag(%d) Channels(%d) SamplesPerSec(%d) BytesPerSec(%d) Align(%d)\r\n",
                    0, m_wfAudio.wf.wFormatTag, m_wfAudio.wf.nChannels, static_cast<int>(m_wfAudio.wf.nSamplesPerSec),
                    static_cast<int>(m_wfAudio.wf.nAvgBytesPerSec), m_wfAudio.wf.nBlockAlign);
        Log(text, 0);
        AVIStreamRelease(m_pAudio);
        m_pAudio = nullptr;
        return kWriterStreamFailed;
    }
    return kWriterOk;
}

int AviWriter::WriteVideoFrame(const BYTE* bits, LONG frameNumber)
{
    int result = kWriterFrameFailed;
    for (int attempt = 0; attempt < kVideoWriteTries && result != kWriterOk; ++attempt) {
        const HRESULT written = AVIStreamWrite(m_pVideo, frameNumber, 1, bits, static_cast<LONG>(m_bih.biSizeImage),
                                               AVIIF_KEYFRAME, nullptr, nullptr);
        if (written == AVIERR_OK) {
            result = kWriterOk;
        } else {
            CString text;
            text.Format("ERROR (%x) in AVIStreamWrite: Frame %d, Frame(%d, %d) %d depth\r\n",
                        static_cast<unsigned>(written), static_cast<int>(frameNumber), static_cast<int>(m_bih.biWidth),
                        static_cast<int>(m_bih.biHeight), m_bih.biBitCount);
            Log(text, 0);
        }
    }
    if (result == kWriterOk)
        m_nNextVideoFrame = frameNumber + 1;
    return result;
}

int AviWriter::WriteVideo(const CIplImage* image)
{
    Log("AviWriter::WriteVideo\r\n", 3);
    DWORD delay = std::min(m_audioInfo.dwInitialFrames, kMaxHeldFrames);
    if (m_nFramesWritten >= m_nTotalFrames)
        delay = 0;
    if (image == nullptr || m_pDib == nullptr || !image->ToDib(m_pDib)) {
        Log("No Video frame to write!\r\n", 0);
        return kWriterStreamFailed;
    }
    const BYTE* bits = GetDibBits(m_pDib);
    const LONG frame = m_nFramesWritten;
    if (delay == 0)
        return WriteVideoFrame(bits, frame);
    m_nHeldDelay = delay;
    BYTE*& slot = m_pDelayed[static_cast<size_t>(frame % delay)];
    if (slot == nullptr)
        slot = new BYTE[m_bih.biSizeImage];
    std::memcpy(slot, bits, m_bih.biSizeImage);
    if (m_pDelayed[static_cast<size_t>((frame + 1) % delay)] == nullptr)
        return kWriterOk;
    const LONG count = m_nTotalFrames == frame + 1 ? static_cast<LONG>(delay) : 1;
    for (LONG i = 1; i <= count; ++i) {
        const BYTE* held = m_pDelayed[static_cast<size_t>((frame + i) % delay)];
        if (held == nullptr)
            return kWriterOk;
        if (const int written = WriteVideoFrame(held, frame + i - static_cast<LONG>(delay)); written != kWriterOk)
            return written;
    }
    return kWriterOk;
}

int AviWriter::FlushHeldFrames()
{
    if (m_pVideo == nullptr || m_nHeldDelay == 0)
        return kWriterOk;
    for (LONG frame = std::max<LONG>(m_nNextVideoFrame, m_nFramesWritten - static_cast<LONG>(m_nHeldDelay));
         frame < m_nFramesWritten; ++frame) {
        const BYTE* held = m_pDelayed[static_cast<size_t>(frame % m_nHeldDelay)];
        if (held == nullptr)
            continue;
        if (const int written = WriteVideoFrame(held, frame); written != kWriterOk)
            return written;
    }
    return kWriterOk;
}

bool AviWriter::AudioDue(bool pending) const
{
    const DWORD interval = std::max<DWORD>(m_audioOptions.dwInterleaveEvery, 1);
    const bool last = m_nTotalFrames == m_nFramesWritten + 1;
    if (!IsMotionJpeg() || m_nOutputType == 6)
        return (m_nFramesWritten + 1) % static_cast<int>(interval) == 0 || last;
    if (m_nFramesWritten >= m_nTotalFrames - 1)
        return true;
    const double fps = m_videoInfo.dwScale != 0 ? static_cast<double>(m_videoInfo.dwRate) / m_videoInfo.dwScale : 0;
    const int e = static_cast<int>(fps);
    if (e <= 0)
        return true;
    // Two chunks a second: half the frame rate apart.
    const int half = std::max(e / 2, 1);
    const int k = m_nFramesWritten % e;
    if (e % 2 == 0)
        return k + 1 == half || (k + 1 == e && pending);
    const int target = k < static_cast<int>(fps / 2) ? half : 2 * half + 1;
    return k + 1 == target || (k == 0 && pending);
}

int AviWriter::WriteAudio(const CWaveBuffer* block)
{
    Log("WriteAudio\r\n", 3);
    if (block == nullptr) {
        Log("WriteAudio -- no wave data\r\n", 0);
        return kWriterStreamFailed;
    }
    if (m_nAccumCapacity == 0) {
        m_nAccumCapacity = std::max<DWORD>(m_wfAudio.wf.nAvgBytesPerSec, m_wfAudio.wf.nBlockAlign);
        m_pAudioAccum.reserve(m_nAccumCapacity);
    }
    const bool pending = !m_pAudioAccum.empty();
    const BYTE* bytes = block->m_pData;
    const size_t length = bytes != nullptr ? block->m_nLength : 0;
    const size_t fits = std::min(length, m_nAccumCapacity - std::min(m_nAccumCapacity, m_pAudioAccum.size()));
    m_pAudioAccum.insert(m_pAudioAccum.end(), bytes, bytes + fits);
    m_overflow.insert(m_overflow.end(), bytes + fits, bytes + length);
    if (!AudioDue(pending))
        return kWriterOk;
    const WORD align = std::max<WORD>(m_wfAudio.wf.nBlockAlign, 1);
    const LONG samples = static_cast<LONG>(m_pAudioAccum.size() / align);
    LONG written = 0;
    if (samples > 0) {
        const HRESULT result = AVIStreamWrite(m_pAudio, m_nSamplesWritten, samples, m_pAudioAccum.data(),
                                              samples * align, AVIIF_KEYFRAME, &written, nullptr);
        if (result != AVIERR_OK) {
            CString text;
            text.Format("Audio: AVIStreamWrite(%x)\r\n", static_cast<unsigned>(result));
            Log(text, 0);
            // A file that cannot take more (a full disk) is the failed write
            // it is for the pictures too, whichever stream meets it first.
            return result == AVIERR_FILEWRITE ? kWriterFrameFailed : kWriterStreamFailed;
        }
    }
    m_nSamplesWritten += std::min(samples, written);
    // Partial samples and what did not fit wait for the next chunk.
    std::vector<BYTE> rest(m_pAudioAccum.begin() + static_cast<std::ptrdiff_t>(samples) * align, m_pAudioAccum.end());
    rest.insert(rest.end(), m_overflow.begin(), m_overflow.end());
    m_overflow.clear();
    m_pAudioAccum.swap(rest);
    return kWriterOk;
}

int AviWriter::Close(int finish)
{
    Log("AviWriter::Close\r\n", 3);
    int result = kWriterOk;
    // A production that ends before its announced last frame still gets
    // the frames held behind the audio.
    if (finish && m_pFile != nullptr)
        result = FlushHeldFrames();
    if (finish && m_pFile != nullptr && m_pAudio != nullptr && !m_pAudioAccum.empty()) {
        const WORD align = std::max<WORD>(m_wfAudio.wf.nBlockAlign, 1);
        const LONG samples = static_cast<LONG>(m_pAudioAccum.size() / align);
        if (samples > 0)
            AVIStreamWrite(m_pAudio, m_nSamplesWritten, samples, m_pAudioAccum.data(), samples * align, AVIIF_KEYFRAME,
                           nullptr, nullptr);
    }
    m_pAudioAccum.clear();
    m_overflow.clear();
    if (m_pVideo != nullptr) {
        AVIStreamRelease(m_pVideo);
        m_pVideo = nullptr;
    }
    if (m_pAudio != nullptr) {
        AVIStreamRelease(m_pAudio);
        m_pAudio = nullptr;
    }
    m_nSamplesWritten = 0;
    if (m_pFile == nullptr)
        return kWriterOk;
    AVIFileRelease(m_pFile);
    m_pFile = nullptr;
    for (BYTE*& slot : m_pDelayed) {
        delete[] slot;
        slot = nullptr;
    }
    m_nHeldDelay = 0;
    const int finished = FinishFile(result == kWriterOk ? finish : 0);
    return result != kWriterOk ? result : finished;
}
