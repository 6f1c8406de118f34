#pragma once
// MRealVideoWriter: the writer of RealVideo productions (output type 5).
// Its encoder front end points the RealMedia build engine at the program's
// folder, finds the engine's input pins for the enabled streams, sets the
// clip texts, target audiences and quality from the RealVideo profile
// record, and feeds it one 24-bit picture per frame and the sound in the
// chunk size the engine suggests, all with millisecond times.
//
// The sound waits in a byte ring until a whole chunk is there; Close sends
// what is left as the last sample, so no sound is lost. A block larger
// than the ring has room for goes in piece by piece, whole chunks being
// sent in between. The picture
// size and frame time of the profile are what the producer renders and
// what the pictures and times use.

#include <array>
#include <memory>
#include <vector>

#include "Filters/Common/ByteRing.h"
#include "Win32/Produce/ProfiledWriter.h"

class CRealEncoder;
struct BITMAPINFOHEADER;

class MRealVideoWriter : public ProfiledWriter {
public:
    static constexpr int kProfileWords = 32;

    MRealVideoWriter();
    ~MRealVideoWriter() override;

    // Picture size (words 4, 5), frame time (word 6); copies the record.
    int SetStreamProfile(const INT32 record[kProfileWords]);

    // 2 when the encoder cannot be set up (no pin for an enabled stream, a
    // size or rate the engine refuses, no file); 18 when a sample cannot
    // be encoded; 17 after Close.
    int Write(MediaFrame& frame, int smart) override;
    // With `finish`: sends the sound still queued, the last flagged, and
    // finishes the file; 2 when it cannot be finished or take the target's
    // name.
    int Close(int finish) override;

    std::array<INT32, kProfileWords> m_profile{};
    std::unique_ptr<CRealEncoder> m_pEncoder;
    DWORD m_nAudioSamplesSent = 0;
    BITMAPINFOHEADER* m_pDib = nullptr;
    // Sound not yet sent: at least a second of it, and two chunks.
    std::unique_ptr<CByteRing> m_pAudioRing;

private:
    int Open();
    // Queues `length` bytes of sound, sending whole chunks as they fill.
    int QueueAudio(const BYTE* bytes, size_t length);
    // Sends whole chunks while they are queued; with `last` the rest too,
    // the final sample flagged as the last.
    int SendAudio(bool last);

    int m_bClosed = 0;
    // One chunk taken from the ring on its way to the engine.
    std::vector<BYTE> m_chunk;
};
