#pragma once
// MediaWriter: the one interface through which a production reaches a file.
// The producer makes one writer per production, chosen by the output type,
// configures it, hands it one frame at a time and closes it with success or
// failure. Every writer writes into a temporary file beside the target
// ("MMERGE" and a number below 100) and puts it in the target's place only
// when it is closed with success, so a failed or cancelled production never
// leaves a half-written file under the target's name.
//
// Results: 0 success, otherwise one of the writer codes below. Setters keep
// their old value when they reject a new one.

#include <array>

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Media/MediaSource.h"

struct MediaFrame;

// Writer result codes.
constexpr int kWriterOk = 0;
// No output name when the first frame arrives; the DV graph failed.
constexpr int kWriterNoName = 1;
// Opening the output (or finishing it under its name) failed; also a name
// set after the file was opened.
constexpr int kWriterOpenFailed = 2;
constexpr int kWriterNoOutputName = 3;
constexpr int kWriterBadWidth = 7;
constexpr int kWriterOutOfMemory = 11;
// A writer that ended the production itself, as stopped or as cancelled.
constexpr int kWriterStopped = 12;
constexpr int kWriterCancelled = 13;
constexpr int kWriterBadDepth = 14;
constexpr int kWriterBadFrameTime = 16;
constexpr int kWriterClosed = 17;
constexpr int kWriterFrameFailed = 18;
constexpr int kWriterStreamFailed = 19;

// The extension a writer keeps for an output type: 2 MPEG ".mpg",
// 4 Windows Media ".wmv", 5 RealVideo ".rm", every other type ".avi".
LPCSTR WriterExtensionForType(int outputType);

// A writer's 16-byte audio format and the 18-byte form the audio code uses.
inline WAVEFORMATEX FormatExOf(const PCMWAVEFORMAT& format)
{
    return WAVEFORMATEX{format.wf.wFormatTag,      format.wf.nChannels,   format.wf.nSamplesPerSec,
                        format.wf.nAvgBytesPerSec, format.wf.nBlockAlign, format.wBitsPerSample,
                        0};
}
inline PCMWAVEFORMAT PcmFormatOf(const WAVEFORMATEX& format)
{
    return PCMWAVEFORMAT{
        {format.wFormatTag, format.nChannels, format.nSamplesPerSec, format.nAvgBytesPerSec, format.nBlockAlign},
        format.wBitsPerSample};
}

class MediaWriter {
public:
    MediaWriter();
    virtual ~MediaWriter();

    MediaWriter(const MediaWriter&) = delete;
    MediaWriter& operator=(const MediaWriter&) = delete;

    virtual void SetNoAudio(int noAudio);
    virtual int GetNoAudio();
    // `smart` is 1 for a frame whose untouched DV sample is to be copied.
    virtual int Write(MediaFrame& frame, int smart) = 0;
    // `finish` 1 puts the file in the target's place; 0 abandons it.
    virtual int Close(int finish) = 0;
    // The lParam of a graph event message that reached the producer.
    virtual int HandleNotify(long lParam);
    // Marks the format set and copies it.
    virtual int SetAudioFormat(PCMWAVEFORMAT format);

    // Stores the target path; the writers that open their file early refuse
    // a new name (2) once it is open.
    int SetOutputName(LPCSTR name);
    void SetOutputType(int code) { m_nOutputType = code; }
    int GetOutputType() const { return m_nOutputType; }
    void SetTotalFrames(int n) { m_nTotalFrames = n; }
    // Empties `name`; 3 when no name was set.
    int GetOutputName(CString& name) const;
    // 16 for 0, keeping the old time.
    int SetFrameTime(DWORD microseconds);
    void GetFrameTime(DWORD* microseconds) const { *microseconds = m_nFrameTime; }
    void GetFrameSize(int* width, int* height) const;
    // 8, 16 or 24 (low 16 bits); 14 for anything else.
    int SetBitDepth(int bits);
    void GetBitDepth(WORD* bits) const { *bits = static_cast<WORD>(m_nBitDepth); }
    void GetAudioFormat(PCMWAVEFORMAT* format) const { *format = m_wfAudio; }
    // PCM mono 11,025 Hz 8-bit, audio on and not locked.
    void SetDefaultAudioFormat();
    // 24-bit 320 x 240.
    void SetDefaultVideoFormat();
    // Picks the first free "<folder of the target>MMERGE<n><extension>" for
    // n = 0..99 into m_strTempName and claims it for this production until
    // the file is finished or abandoned. Temporary files of productions
    // whose process has ended (a kill, a crash) are deleted on the way, so
    // leftovers never block a production; a name claimed by a production
    // still running, in this process or another, is never taken. When all
    // hundred are claimed the name stays empty and the result is 2.
    int MakeTempFileName();
    void SetAuthor(LPCSTR text) { m_strAuthor = text; }
    void SetTitle(LPCSTR text) { m_strTitle = text; }
    void SetCopyright(LPCSTR text) { m_strCopyright = text; }

    CSmartRangeList m_smartRanges;
    int m_nOutputType = 1;
    CString m_strOutputName;
    CString m_strTempName;
    int m_bNameSet = 0;
    CString m_strExtension;
    DWORD m_nFrameTime = 66667;
    DWORD m_nTimeScale = 1000000;
    int m_nFramesWritten = 0;
    int m_nSamplesWritten = 0;
    int m_nTotalFrames = 0;
    int m_bAudioFormatSet = 0;
    int m_bAudioFormatLocked = 0;
    PCMWAVEFORMAT m_wfAudio{};
    int m_bNoAudio = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBitDepth = 24;
    std::array<BYTE*, 30> m_pDelayed{};
    CString m_strAuthor;
    CString m_strTitle;
    CString m_strCopyright;

protected:
    // The common tail of every Close, after the writer let go of its file:
    // with `finish` the target is replaced by the temporary file, otherwise
    // the temporary file is deleted. 2 when the temporary file could not
    // take the target's name; it then stays on disk and the target is left
    // as it was whenever it could be kept.
    int FinishFile(int finish);

private:
    void ReleaseTempClaim();

    // The claim on m_strTempName: a named object, so that it ends with the
    // process however the process ends.
    HANDLE m_hTempClaim = nullptr;
};
