#pragma once
// MMpegWriter: the writer of MPEG productions (output type 2). The MPEG
// encoder library does the encoding and writes the temporary file itself;
// the writer hands it 25 parameter words taken from the production
// settings, the picture and sound formats, then every picture bottom row
// first and every block of sound, staged in a buffer of its own. The
// encoder's state is held once per process: one MPEG production runs at a
// time.

#include <array>
#include <memory>

#include "Platform/Mfc/Object.h"
#include "Win32/Produce/MediaWriter.h"

// The staging buffer of one frame's sound: a locked block of moveable,
// zero-filled global memory.
class CAudioBuf : public CObject {
    DECLARE_DYNAMIC(CAudioBuf)

public:
    static constexpr DWORD kSize = 61440;

    explicit CAudioBuf(DWORD size);
    ~CAudioBuf() override;

    BYTE* m_pData = nullptr;
    BOOL m_bAllocFailed = FALSE;

private:
    HGLOBAL m_hMem = nullptr;
};

class MMpegWriter : public MediaWriter {
public:
    static constexpr int kParamWords = 25;
    // Words of the production settings' MPEG record.
    static constexpr int kSettingsWords = 32;

    MMpegWriter();
    ~MMpegWriter() override;

    // Width (word 4), height (word 5) and words 7..31 as the encoder's
    // parameter words; the sound format from words 11 and 13; the frame
    // time from the frame-rate code (word 10, 1..5; another code keeps the
    // old time). Returns 0.
    int SetMpegParams(const INT32 words[kSettingsWords]);

    // The first frame opens the encoder (2 when it cannot be opened); a
    // picture of another size is scaled to the writer's. 18 when a picture
    // cannot be encoded, 19 when sound cannot; 17 after Close.
    int Write(MediaFrame& frame, int smart) override;
    // With `finish`, 2 when the encoder never opened or could not finish
    // its file, or when the file cannot take the target's name.
    int Close(int finish) override;
    int HandleNotify(long lParam) override;
    // The sound format comes from the parameter words only.
    int SetAudioFormat(PCMWAVEFORMAT format) override;

    std::array<INT32, kParamWords> m_params{};
    int m_bOpened = 0;
    int m_bClosed = 0;
    std::unique_ptr<CAudioBuf> m_pAudioBuf;

private:
    int Open(bool hasVideo, bool hasAudio);
    int PassAudio(const BYTE* bytes, DWORD length);

    // The encoder opened and took the file.
    int m_bEncoderReady = 0;
    // Sound arrived for an encoder opened without sound; said once.
    int m_bAudioRefused = 0;
};
