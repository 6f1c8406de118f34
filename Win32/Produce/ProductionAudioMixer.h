#pragma once
// CProductionAudioMixer: mixes one output frame's audio during production:
// the frame's own block (the primary input) and up to 40 audio-clip
// sources, each at its volume with fades, into one block of the writer's
// format, through an embedded CAudioProcessor used as a multi-input mixer
// with gain ramps. Input 0 of the engine is the primary block, input i + 1
// source slot i; the gain entry of input k, channel c is k x channels + c.
// The mixer owns its sources. It also cross-fades the two blocks of a
// transition frame.
//
// Threads: only the producer calls it, on the UI thread, under no lock; its
// engine is its own (see AudioProcessor.h), so no two mixers share state.

#include <cstddef>
#include <vector>

#include "Platform/Win/Base/WaveFormat.h"
#include "Win32/Produce/AudioMixer.h"
#include "Win32/Sb/Audio/AudioProcessor.h"
#include "Win32/Utils/MediaTime.h"

class CMediaSource;
class CWaveBuffer;

class CProductionAudioMixer : public CAudioMixer {
public:
    static constexpr INT kCapacity = 40;

    // `span` is one block (one output frame); null formats take the
    // default of 11,025 Hz stereo 16-bit (the output format only when
    // `useOutputFormat` is set).
    CProductionAudioMixer(const CMediaTime& span, const WAVEFORMATEX* outputFormat, const WAVEFORMATEX* sourceFormat,
                          BOOL useOutputFormat);
    ~CProductionAudioMixer() override;

    // Takes the source into the first free slot; it fades in from 0 to its
    // volume over a second. False (the caller keeps it) when all are taken.
    bool AddSource(CMediaSource* source);
    bool HasFreeSlot() const;
    // Frees the source's slot without deleting the source.
    bool RemoveSource(CMediaSource* source);
    CMediaSource* GetSource(INT slot) const;
    // The highest occupied slot, 0 when there is none.
    INT GetLastUsedSlot() const;
    INT GetSourceCount() const;
    void ReleaseAllSources();
    // Mixes `primary` (source format) with one block of every source into
    // `output` (output format). A source block shorter than the primary
    // block counts as silence after its end.
    void Mix(const CWaveBuffer* primary, CWaveBuffer* output);
    // The last block of a production: appends to `output` (made larger
    // when needed) what the engine and the output's room held back, so that
    // the sound handed out comes to `total` output frames (padded with
    // silence or cut at the end), or with `total` -1 to as many as were
    // mixed in.
    void Flush(CWaveBuffer* output, LONGLONG total = -1);
    // Output frames mixed but not yet handed out.
    LONGLONG OwedFrames() const;
    // Where a new sound starts: brings the sound handed out and held so far
    // to `total` output frames, cutting what the blocks before ran over
    // (from what is still to be handed out) or padding with silence, so
    // that the new sound starts at its pictures' time however the frames'
    // blocks were rounded.
    void Realign(LONGLONG total);
    // Averages the two blocks 50/50 into the longer one, which *a then
    // names.
    void CrossFade(CWaveBuffer** a, CWaveBuffer** b, const WAVEFORMATEX* format, INT* ok);
    void FadeOutAll(INT frames);
    void RestartFadeIns();
    void RestartSourceFadeIn(INT slot, float rampSeconds);
    void FadeOutSource(INT slot, float seconds);

    WAVEFORMATEX m_OutputFormat{WAVE_FORMAT_PCM, 2, 11025, 44100, 4, 16, 0};
    WAVEFORMATEX m_SourceFormat{WAVE_FORMAT_PCM, 2, 11025, 44100, 4, 16, 0};
    CMediaSource* m_pSources[kCapacity] = {};
    CWaveBuffer* m_pSilence = nullptr;
    INT m_nBlockDuration = 200000;
    CAudioProcessor m_Processor;
    INT m_nCapacity = kCapacity;

private:
    // Gain entries of every channel of engine input `input`.
    void SetInputGain(INT input, float target, float rampSeconds);
    void FadeIn(INT slot, float rampSeconds);
    void Deliver(const BYTE* mixed, std::size_t bytes, CWaveBuffer* output);

    // Per slot: a source block padded with silence to the primary length.
    std::vector<BYTE> m_Padded[kCapacity];
    std::vector<BYTE> m_Mixed;
    // Mixed bytes the last output had no room for.
    std::vector<BYTE> m_Held;
    // Source frames mixed and output frames handed out, from the start.
    LONGLONG m_nFramesIn = 0;
    LONGLONG m_nFramesOut = 0;
    // Output frames still to be cut from the next mixed sound, and the
    // frames realignment has added (less those it has cut) in all.
    LONGLONG m_nSkipFrames = 0;
    LONGLONG m_nShiftFrames = 0;
};
