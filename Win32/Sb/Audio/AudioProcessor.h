#pragma once
// CAudioProcessor: the block audio engine of the production mixer, of the
// audio-file reader's format conversion and of the audio effect filter.
//
// Interleaved PCM (unsigned 8-bit about 128, or signed 16-bit) comes in,
// becomes one float buffer per channel (full scale 1.0), optionally mixed
// from several inputs with per-input, per-channel gain ramps, is filtered
// block by block in the frequency domain (overlap-add of blocks of B frames
// in a 2B-point transform), resampled by linear interpolation, scaled by
// the master gain and written back as PCM, 16-bit limited to +-32000 and
// 8-bit to 0..255, with per-channel clipping flags. The output starts half
// a block after the input (the overlap's latency is skipped once).
//
// Spectra use the packed real layout, 1-based: position 1 the DC term, 2
// the Nyquist term, 2k + 1 and 2k + 2 bin k.
//
// Every engine is independent: its clipping report, noise position and
// equaliser lookup are its own, so engines may run on different threads
// (one thread per engine at a time). The resampler's position is computed
// from whole frame counts, so it never drifts however long the stream.

#include <cstdint>
#include <random>
#include <vector>

#include "Platform/Win/Base/WinTypes.h"

class CAudioProcessor {
public:
    static constexpr INT kMaxChannels = 4;
    static constexpr INT kGainEntries = 256;
    static constexpr INT kMaxInputs = 64;
    static constexpr INT kMaxBands = 61;

    CAudioProcessor();
    virtual ~CAudioProcessor();

    CAudioProcessor(const CAudioProcessor&) = delete;
    CAudioProcessor& operator=(const CAudioProcessor&) = delete;

    // Output frames per full block, 0 on failure (bits other than 8 or 16,
    // a rate or block that is not positive, no memory). outRate 0: the
    // input rate. Channel counts are limited to 4; processing runs at the
    // input channel count.
    virtual INT Init(INT block, INT inRate, INT inBits, INT outRate, INT outBits, INT inChannels, INT outChannels);
    virtual INT Init(INT block, INT inRate, INT inBits, INT outRate, INT outBits, INT channels);
    virtual void Reset();
    virtual INT Feed(INT frames, const BYTE* data, BOOL flush);
    // Frames accepted (at most what the current block still takes).
    virtual INT FeedInterleaved(INT frames, const BYTE* data, BOOL flush);
    // Adds the inputs (null: silent) with their gains; entry of input i,
    // channel c is c + i x input channels.
    virtual INT FeedInputs(INT frames, const BYTE* const* inputs, INT count, BOOL flush);
    // Gains of `count` inputs (at most 64; count x input channels values),
    // reached over `rampSeconds`. Null gains reset every entry to 1.
    virtual INT SetGains(INT count, const float* gains, float rampSeconds);
    virtual INT Read(INT maxFrames, BYTE* destination);
    // Frames written at the output channel count; with fewer output
    // channels than processing ones, each frame is the channels' mean.
    virtual INT ReadOutput(INT maxFrames, BYTE* destination);
    // Whether any channel clipped since the last call.
    virtual BOOL AnyClipped();
    virtual BOOL ChannelClipped(INT channel);
    virtual INT ProcessAll(INT frames, const BYTE* input, BYTE* output, BOOL flushAtEnd);
    virtual INT ProcessAllInputs(INT frames, INT count, const BYTE* const* inputs, BYTE* output);
    virtual INT ProcessStream(INT frames, const BYTE* input, BYTE* output);
    virtual void SetMasterLevel(INT percent);
    virtual void SetMasterLevel(float percent);
    virtual void SetMasterGainDb(float decibels);
    virtual void GetMasterGainDb(float* decibels);
    virtual void SetHighPass(INT hertz);
    virtual void SetHighPass(float hertz);
    virtual void SetLowPass(INT hertz);
    virtual void SetLowPass(float hertz);
    virtual void GetCutoffs(float* highPass, float* lowPass);
    virtual BOOL SetBandGain(INT band, float decibels);
    virtual void SetBandLevel(INT lowHz, INT highHz, INT percent);
    virtual void SetBandLevel(float lowHz, float highHz, float percent);
    virtual void ResetFilters();
    virtual BOOL SetBandFrequencies(INT count, const float* hertz);
    virtual BOOL GetBandFrequencies(INT* count, float* hertz);
    virtual BOOL GetBandGain(INT band, float* decibels);
    // `samples` is read from samples[1] to samples[count]; null removes
    // the impulse response.
    virtual BOOL SetImpulseResponse(INT count, INT unused, const SHORT* samples);
    virtual void SetNoise(BOOL on);

    // One gain entry (0..255): its target, reached over `rampSeconds`.
    void SetGain(INT entry, float target, float rampSeconds);
    INT GetInputChannels() const { return m_nInChannels; }

private:
    void FreeAll();
    void ConvertInput(INT channel, const BYTE* data, INT frames, float* to, INT entry);
    INT ProcessBlock(INT frames, BOOL flush);
    void FilterBlock(float* buffer);
    INT Resample(INT frames);
    void WriteOutput(INT frames);
    void Combine(INT from, INT to);
    void RaisedCosine(INT start, INT end, bool rising);
    void RebuildBandCurve();
    void AddNoise(float* samples, INT count, float amplitude);
    float BinFrequency(INT position) const;
    float SplineAt(float x);
    INT InFrameBytes() const { return m_nInBits / 8 * m_nInChannels; }
    INT OutFrameBytes() const { return m_nOutBits / 8 * m_nOutChannels; }
    INT ProcessFrameBytes() const { return m_nOutBits / 8 * m_nInChannels; }
    INT DrainOutput(BYTE*& output);
    // The gain ramps' clock: input frames taken, the current block's too.
    std::int64_t InputClock() const { return m_nTotalIn + m_nAccumulated; }

    INT m_nOutputFrames = 0;
    INT m_nBlockFrames = 0;
    INT m_nTransformSize = 0;
    INT m_nTransformOrder = 0;
    std::vector<BYTE> m_OutputPcm;
    INT m_nAccumulated = 0;
    INT m_nReadPosition = 0;
    std::int64_t m_nTotalOut = 0;
    std::int64_t m_nTotalIn = 0;
    INT m_nLastAccepted = 0;
    INT m_nInRate = 0;
    INT m_nOutRate = 0;
    INT m_nInBits = 16;
    INT m_nOutBits = 16;
    INT m_nInChannels = 1;
    INT m_nOutChannels = 1;
    bool m_bReady = false;
    bool m_bClipped[kMaxChannels] = {};
    bool m_bFilterOn = false;
    bool m_bImpulseOn = false;
    bool m_bNoiseOn = false;
    std::vector<float> m_ChannelInput[kMaxChannels];
    std::vector<float> m_ChannelOutput[kMaxChannels];
    std::vector<float> m_Scratch;
    std::vector<float> m_Response;
    std::vector<float> m_PassBand;
    std::vector<float> m_BandCurve;
    std::vector<float> m_ImpulseSpectrum;
    float m_LastSample[kMaxChannels] = {};
    float m_fMasterGain = 1.0f;
    INT m_nHighPassStart = 0;
    INT m_nHighPassEnd = 0;
    INT m_nLowPassStart = 0;
    INT m_nLowPassEnd = 0;
    float m_fHighPassHz = 0.0f;
    float m_fLowPassHz = 20000.0f;
    INT m_nBandPoints = 0;
    float m_BandHz[kMaxBands + 2] = {};
    float m_BandGain[kMaxBands + 2] = {};
    float m_BandCurvature[kMaxBands + 2] = {};
    std::vector<float> m_NoiseTable;
    INT m_nNoiseLength = 0;
    float m_Gain[kGainEntries];
    float m_TargetGain[kGainEntries];
    float m_GainStep[kGainEntries];
    std::int64_t m_RampEnd[kGainEntries];

    // Per engine: the clipping report since the last AnyClipped, the noise
    // table's read position, the equaliser's last bracket and the noise
    // table's generator.
    bool m_bClipLatch = false;
    INT m_nNoiseCursor = 0;
    INT m_nSplineLow = 0;
    INT m_nSplineHigh = 0;
    std::minstd_rand m_NoiseRandom;
};
