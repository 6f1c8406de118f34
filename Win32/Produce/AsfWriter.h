#pragma once
// MASFWriter: the writer of Windows Media productions (output type 4). It
// loads the chosen system profile, declares a PCM sound input and a 24-bit
// picture input on a Windows Media writer for the temporary file, and
// writes one sound sample and one picture sample per frame at running
// times. The finished file is indexed once it has its target name.
//
// The profile sets the picture size and frame time: SetStreamProfile takes
// them, the producer reads them back and renders at them, and the inputs
// and sample times use the same values, so sound and pictures keep time.

#include <memory>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Produce/ProfiledWriter.h"

class CWMOutput;
class CWaveBuffer;

class MASFWriter : public ProfiledWriter {
public:
    // Words of the settings' Windows Media profile record.
    static constexpr int kProfileWords = 32;
    // How long Close waits for the indexer to report, in milliseconds.
    static constexpr DWORD kIndexWaitMs = 60000;

    explicit MASFWriter(HWND notifyWindow = nullptr);
    ~MASFWriter() override;

    // Profile index (word 0), picture size (words 4, 5), frame time (word
    // 6); the sound format as SetAudioIndex gives it.
    int SetStreamProfile(const INT32 record[kProfileWords]);

    // 2 when the profile cannot be loaded or the output cannot be set up;
    // 18 when a sample cannot be written; 17 after Close.
    int Write(MediaFrame& frame, int smart) override;
    // With `finish`: 2 when the file cannot be completed or take the
    // target's name; the file is indexed once it has.
    int Close(int finish) override;

    // The time of the next samples in 100 ns units (0 before the first).
    ULONGLONG NextSampleTime() const;

    std::unique_ptr<CWMOutput> m_pOutput;
    int m_nProfileIndex = 0;
    HWND m_hNotifyWindow = nullptr;

private:
    int Open(const MediaFrame& frame);
    void IndexFile();

    int m_bClosed = 0;
    // One frame of silence for frames without sound.
    std::unique_ptr<CWaveBuffer> m_pSilence;
};
