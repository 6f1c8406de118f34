#include "Win32/Sb/Audio/AudioProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kTwoPi = 6.28318530717959;
constexpr double kPi = kTwoPi / 2;
// The full scale of 16-bit output: a little under 32767, so that the
// filters' ripple on a full-scale input does not clip at once.
constexpr float kScale16 = 32000.0f;
constexpr INT kLimit16 = 32000;
constexpr INT kNoiseTableLength = 1024;
constexpr INT kMaxBlock = 1 << 16;
constexpr float kEqualiserTopHz = 24000.0f;

// In-place radix-2 FFT of `points` complex values held 1-based as (re, im)
// in data[1 .. 2 points]; sign 1 forward, -1 inverse (without the 1/n).
void ComplexTransform(float* data, INT points, INT sign)
{
    const INT n = points * 2;
    for (INT i = 1, j = 1; i < n; i += 2) {
        if (j > i) {
            std::swap(data[j], data[i]);
            std::swap(data[j + 1], data[i + 1]);
        }
        INT m = points;
        while (m >= 2 && j > m) {
            j -= m;
            m >>= 1;
        }
        j += m;
    }
    for (INT span = 2; n > span; span <<= 1) {
        const INT step = span << 1;
        const double theta = sign * (kTwoPi / span);
        const double half = std::sin(0.5 * theta);
        const double wpr = -2.0 * half * half;
        const double wpi = std::sin(theta);
        double wr = 1.0;
        double wi = 0.0;
        for (INT m = 1; m < span; m += 2) {
            for (INT i = m; i <= n; i += step) {
                const INT j = i + span;
                const float tr = static_cast<float>(wr * data[j] - wi * data[j + 1]);
                const float ti = static_cast<float>(wr * data[j + 1] + wi * data[j]);
                data[j] = data[i] - tr;
                data[j + 1] = data[i + 1] - ti;
                data[i] += tr;
                data[i + 1] += ti;
            }
            const double previous = wr;
            wr = wr * wpr - wi * wpi + wr;
            wi = wi * wpr + previous * wpi + wi;
        }
    }
}

// The FFT of `n` real values in data[1 .. n], giving the packed spectrum
// (sign 1), or back from it (sign -1, without the 2/n).
void RealTransform(float* data, INT n, INT sign)
{
    double theta = kPi / (n >> 1);
    const float c1 = 0.5f;
    float c2;
    if (sign == 1) {
        c2 = -0.5f;
        ComplexTransform(data, n >> 1, 1);
    } else {
        c2 = 0.5f;
        theta = -theta;
    }
    const double half = std::sin(0.5 * theta);
    const double wpr = -2.0 * half * half;
    const double wpi = std::sin(theta);
    double wr = 1.0 + wpr;
    double wi = wpi;
    const INT total = n + 3;
    for (INT i = 2; i <= (n >> 2); ++i) {
        const INT i1 = i + i - 1;
        const INT i2 = i1 + 1;
        const INT i3 = total - i2;
        const INT i4 = i3 + 1;
        const float h1r = c1 * (data[i1] + data[i3]);
        const float h1i = c1 * (data[i2] - data[i4]);
        const float h2r = -c2 * (data[i2] + data[i4]);
        const float h2i = c2 * (data[i1] - data[i3]);
        data[i1] = static_cast<float>(h1r + wr * h2r - wi * h2i);
        data[i2] = static_cast<float>(h1i + wr * h2i + wi * h2r);
        data[i3] = static_cast<float>(h1r - wr * h2r + wi * h2i);
        data[i4] = static_cast<float>(-h1i + wr * h2i + wi * h2r);
        const double previous = wr;
        wr = wr * wpr - wi * wpi + wr;
        wi = wi * wpr + previous * wpi + wi;
    }
    if (sign == 1) {
        const float first = data[1];
        data[1] = first + data[2];
        data[2] = first - data[2];
    } else {
        const float first = data[1];
        data[1] = c1 * (first + data[2]);
        data[2] = c1 * (first - data[2]);
        ComplexTransform(data, n >> 1, -1);
    }
}

// Second derivatives of the cubic spline through (x[i], y[i]), i < n, with
// the given end slopes.
void SplineCurvature(const float* x, const float* y, INT n, float slopeStart, float slopeEnd, float* curvature)
{
    std::vector<double> u(static_cast<std::size_t>(n), 0.0);
    std::vector<double> c(static_cast<std::size_t>(n), 0.0);
    c[0] = -0.5;
    u[0] = (3.0 / (x[1] - x[0])) * ((y[1] - y[0]) / (x[1] - x[0]) - slopeStart);
    for (INT i = 1; i < n - 1; ++i) {
        const double sig = (x[i] - x[i - 1]) / (x[i + 1] - x[i - 1]);
        const double p = sig * c[i - 1] + 2.0;
        c[i] = (sig - 1.0) / p;
        const double slopes = (y[i + 1] - y[i]) / (x[i + 1] - x[i]) - (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
        u[i] = (6.0 * slopes / (x[i + 1] - x[i - 1]) - sig * u[i - 1]) / p;
    }
    const double qn = 0.5;
    const double un = (3.0 / (x[n - 1] - x[n - 2])) * (slopeEnd - (y[n - 1] - y[n - 2]) / (x[n - 1] - x[n - 2]));
    c[n - 1] = (un - qn * u[n - 2]) / (qn * c[n - 2] + 1.0);
    for (INT k = n - 2; k >= 0; --k)
        c[k] = c[k] * c[k + 1] + u[k];
    for (INT i = 0; i < n; ++i)
        curvature[i] = static_cast<float>(c[i]);
}

INT ClampChannels(INT channels) { return std::clamp(channels, 1, CAudioProcessor::kMaxChannels); }

} // namespace

CAudioProcessor::CAudioProcessor()
{
    for (INT e = 0; e < kGainEntries; ++e) {
        m_Gain[e] = 1.0f;
        m_TargetGain[e] = 1.0f;
        m_GainStep[e] = 0.0f;
        m_RampEnd[e] = 0;
    }
}

CAudioProcessor::~CAudioProcessor() = default;

void CAudioProcessor::FreeAll()
{
    for (INT c = 0; c < kMaxChannels; ++c) {
        std::vector<float>().swap(m_ChannelInput[c]);
        std::vector<float>().swap(m_ChannelOutput[c]);
    }
    std::vector<float>().swap(m_Scratch);
    std::vector<float>().swap(m_Response);
    std::vector<float>().swap(m_PassBand);
    std::vector<float>().swap(m_BandCurve);
    std::vector<float>().swap(m_ImpulseSpectrum);
    std::vector<BYTE>().swap(m_OutputPcm);
    m_bReady = false;
}

INT CAudioProcessor::Init(INT block, INT inRate, INT inBits, INT outRate, INT outBits, INT inChannels,
                          INT outChannels)
{
    if (m_bReady)
        FreeAll();
    if (block <= 0 || block > kMaxBlock || inRate <= 0 || (inBits != 8 && inBits != 16)
        || (outBits != 8 && outBits != 16) || inChannels <= 0 || outChannels <= 0)
        return 0;
    m_nInRate = inRate;
    m_nOutRate = outRate > 0 ? outRate : inRate;
    m_nInBits = inBits;
    m_nOutBits = outBits;
    m_nInChannels = ClampChannels(inChannels);
    m_nOutChannels = ClampChannels(outChannels);
    m_fMasterGain = 1.0f;
    const INT result = m_nOutRate == m_nInRate
                           ? block
                           : static_cast<INT>(static_cast<std::int64_t>(m_nOutRate) * block / m_nInRate);
    m_nBlockFrames = 1;
    m_nTransformOrder = 1;
    while (m_nBlockFrames < block) {
        m_nBlockFrames <<= 1;
        ++m_nTransformOrder;
    }
    m_nTransformSize = m_nBlockFrames * 2;
    const INT n = m_nTransformSize;
    const double ratio = static_cast<double>(m_nOutRate) / m_nInRate + 1.0;
    const auto outputSize = static_cast<std::size_t>((n + 1) * ratio) + 2;
    try {
        for (INT c = 0; c < kMaxChannels; ++c) {
            m_ChannelInput[c].assign(static_cast<std::size_t>(n) + 1, 0.0f);
            m_ChannelOutput[c].assign(outputSize, 0.0f);
        }
        m_Scratch.assign(static_cast<std::size_t>(2 * n * ratio) + 3, 0.0f);
        // Room for N complex points (positions 1 .. 2N) when an impulse
        // response is part of the filter.
        const auto spectrumSize = static_cast<std::size_t>(n) * 2 + 3;
        m_Response.assign(spectrumSize, 1.0f);
        m_PassBand.assign(spectrumSize, 1.0f);
        m_BandCurve.assign(spectrumSize, 1.0f);
        m_ImpulseSpectrum.assign(spectrumSize, 1.0f);
        m_OutputPcm.assign(outputSize * static_cast<std::size_t>(ProcessFrameBytes()), 0);
    } catch (const std::bad_alloc&) {
        FreeAll();
        return 0;
    }
    m_bFilterOn = false;
    m_bImpulseOn = false;
    m_nAccumulated = 0;
    m_nReadPosition = 0;
    m_nTotalIn = 0;
    m_nTotalOut = 0;
    m_nOutputFrames = 0;
    m_nLastAccepted = 0;
    std::fill(std::begin(m_LastSample), std::end(m_LastSample), 0.0f);
    std::fill(std::begin(m_bClipped), std::end(m_bClipped), false);
    for (INT e = 0; e < kGainEntries; ++e)
        m_RampEnd[e] = 0;
    m_nHighPassStart = 0;
    m_nHighPassEnd = 0;
    m_nLowPassStart = n;
    m_nLowPassEnd = n;
    m_bReady = true;
    ResetFilters();
    if (m_nOutRate < m_nInRate)
        SetLowPass(static_cast<INT>(m_nOutRate / 2));
    return result;
}

INT CAudioProcessor::Init(INT block, INT inRate, INT inBits, INT outRate, INT outBits, INT channels)
{
    return Init(block, inRate, inBits, outRate, outBits, channels, channels);
}

void CAudioProcessor::Reset()
{
    if (!m_bReady)
        return;
    for (INT c = 0; c < kMaxChannels; ++c) {
        std::fill(m_ChannelInput[c].begin(), m_ChannelInput[c].end(), 0.0f);
        std::fill(m_ChannelOutput[c].begin(), m_ChannelOutput[c].end(), 0.0f);
    }
    std::fill(m_Response.begin(), m_Response.end(), 1.0f);
    std::fill(m_PassBand.begin(), m_PassBand.end(), 1.0f);
    std::fill(m_BandCurve.begin(), m_BandCurve.end(), 1.0f);
    std::fill(m_ImpulseSpectrum.begin(), m_ImpulseSpectrum.end(), 1.0f);
    std::fill(m_Scratch.begin(), m_Scratch.end(), 0.0f);
    std::fill(std::begin(m_LastSample), std::end(m_LastSample), 0.0f);
    m_nAccumulated = 0;
    m_nReadPosition = 0;
    m_nOutputFrames = 0;
    m_nTotalIn = 0;
    m_nTotalOut = 0;
    m_bFilterOn = false;
}

INT CAudioProcessor::Feed(INT frames, const BYTE* data, BOOL flush) { return FeedInterleaved(frames, data, flush); }

// Converts one channel of `frames` interleaved frames into `to` (the block
// position of the next frame): stored when `entry` is negative, else added
// at that gain entry's ramping gain.
void CAudioProcessor::ConvertInput(INT channel, const BYTE* data, INT frames, float* to, INT entry)
{
    const INT stride = m_nInChannels;
    const bool mixing = entry >= 0;
    const std::int64_t clock = InputClock();
    float g = mixing ? m_Gain[entry] : 1.0f;
    float step = mixing ? m_GainStep[entry] : 0.0f;
    for (INT k = 0; k < frames; ++k) {
        float x;
        if (m_nInBits == 16) {
            const BYTE* p = data + (static_cast<std::size_t>(k) * stride + channel) * 2;
            x = static_cast<float>(static_cast<SHORT>(p[0] | p[1] << 8)) / 32768.0f;
        } else {
            x = static_cast<float>(static_cast<INT>(data[static_cast<std::size_t>(k) * stride + channel]) - 128)
                / 128.0f;
        }
        if (!mixing) {
            to[k] = x;
            continue;
        }
        to[k] += g * x;
        // The ramp ends on its target exactly rather than a step past it.
        if (clock + k + 1 >= m_RampEnd[entry]) {
            g = m_TargetGain[entry];
            step = 0.0f;
        } else {
            g += step;
        }
    }
    if (mixing) {
        m_Gain[entry] = g;
        m_GainStep[entry] = step;
    }
}

INT CAudioProcessor::FeedInterleaved(INT frames, const BYTE* data, BOOL flush)
{
    if (!m_bReady)
        return 0;
    const INT quarter = m_nTransformSize / 4;
    if (m_nAccumulated == 0)
        for (INT c = 0; c < m_nInChannels; ++c)
            std::fill(m_ChannelInput[c].begin(), m_ChannelInput[c].end(), 0.0f);
    frames = std::max(0, std::min(frames, m_nBlockFrames - m_nAccumulated));
    if (data != nullptr)
        for (INT c = 0; c < m_nInChannels; ++c)
            ConvertInput(c, data, frames, m_ChannelInput[c].data() + quarter + m_nAccumulated + 1, -1);
    return ProcessBlock(frames, flush);
}

INT CAudioProcessor::FeedInputs(INT frames, const BYTE* const* inputs, INT count, BOOL flush)
{
    if (!m_bReady)
        return 0;
    const INT quarter = m_nTransformSize / 4;
    if (m_nAccumulated == 0)
        for (INT c = 0; c < m_nInChannels; ++c)
            std::fill(m_ChannelInput[c].begin(), m_ChannelInput[c].end(), 0.0f);
    frames = std::max(0, std::min(frames, m_nBlockFrames - m_nAccumulated));
    count = std::clamp(count, 0, kGainEntries / m_nInChannels);
    for (INT i = 0; inputs != nullptr && i < count; ++i) {
        if (inputs[i] == nullptr)
            continue;
        for (INT c = 0; c < m_nInChannels; ++c) {
            const INT e = c + i * m_nInChannels;
            ConvertInput(c, inputs[i], frames, m_ChannelInput[c].data() + quarter + m_nAccumulated + 1, e);
        }
    }
    return ProcessBlock(frames, flush);
}

INT CAudioProcessor::ProcessBlock(INT frames, BOOL flush)
{
    frames = std::max(0, std::min(frames, m_nBlockFrames - m_nAccumulated));
    m_nAccumulated += frames;
    if (m_nAccumulated < m_nBlockFrames && !flush)
        return frames;
    m_nLastAccepted = frames;
    const INT m = m_nAccumulated;
    const INT half = m_nTransformSize / 2;
    for (INT c = 0; c < m_nInChannels; ++c) {
        float* in = m_ChannelInput[c].data();
        float* out = m_ChannelOutput[c].data();
        if (m_bFilterOn)
            FilterBlock(in);
        for (INT i = 1; i <= half; ++i)
            out[i] += in[i];
    }
    const INT n = m_nOutRate == m_nInRate ? m : Resample(m);
    m_nReadPosition = m_nTotalIn == 0 ? n / 2 : 0;
    m_nTotalOut += n;
    m_nTotalIn += m;
    WriteOutput(n);
    for (INT c = 0; c < m_nInChannels; ++c) {
        float* in = m_ChannelInput[c].data();
        float* out = m_ChannelOutput[c].data();
        std::copy(in + half + 1, in + m_nTransformSize + 1, out + 1);
    }
    m_nOutputFrames = n;
    m_nAccumulated = 0;
    return m_nLastAccepted;
}

void CAudioProcessor::FilterBlock(float* buffer)
{
    const INT n = m_nTransformSize;
    if (!m_bImpulseOn) {
        RealTransform(buffer, n, 1);
        buffer[1] *= m_Response[3];
        for (INT i = 2; i <= n; ++i)
            buffer[i] *= m_Response[i];
        RealTransform(buffer, n, -1);
        const float scale = 2.0f / static_cast<float>(n);
        for (INT i = 1; i <= n; ++i)
            buffer[i] *= scale;
        return;
    }
    float* complex = m_Scratch.data();
    for (INT k = 0; k < n; ++k) {
        complex[2 * k + 1] = buffer[k + 1];
        complex[2 * k + 2] = 0.0f;
    }
    ComplexTransform(complex, n, 1);
    for (INT k = 0; k < n; ++k) {
        const float a = complex[2 * k + 1];
        const float b = complex[2 * k + 2];
        const float c = m_Response[2 * k + 1];
        const float d = m_Response[2 * k + 2];
        complex[2 * k + 1] = a * c - b * d;
        complex[2 * k + 2] = b * c + a * d;
    }
    ComplexTransform(complex, n, -1);
    const float scale = 1.0f / static_cast<float>(n);
    for (INT k = 0; k < n; ++k)
        buffer[k + 1] = complex[2 * k + 1] * scale;
}

// Linear interpolation at input position (total out + j) x in rate / out
// rate - total in, kept as a whole part and an exact remainder so that the
// phase is the same after an hour as after a second.
INT CAudioProcessor::Resample(INT frames)
{
    INT produced = 0;
    for (INT c = 0; c < m_nInChannels; ++c) {
        float* buffer = m_ChannelOutput[c].data();
        if (m_nTotalOut != 0)
            buffer[0] = m_LastSample[c];
        float* scratch = m_Scratch.data();
        const INT capacity = static_cast<INT>(m_Scratch.size()) - 1;
        INT j = 0;
        for (; j < capacity; ++j) {
            const std::int64_t numerator = (m_nTotalOut + j) * m_nInRate;
            const std::int64_t whole = numerator / m_nOutRate - m_nTotalIn;
            if (whole >= frames)
                break;
            const double fraction = static_cast<double>(numerator % m_nOutRate) / m_nOutRate;
            const float* at = buffer + whole;
            scratch[j] = static_cast<float>(at[0] * (1.0 - fraction) + at[1] * fraction);
        }
        m_LastSample[c] = buffer[frames];
        std::copy(scratch, scratch + j, buffer + 1);
        produced = j;
    }
    return produced;
}

void CAudioProcessor::AddNoise(float* samples, INT count, float amplitude)
{
    for (INT k = 0; k < count; ++k) {
        samples[k] += amplitude * m_NoiseTable[static_cast<std::size_t>(m_nNoiseCursor)];
        if (++m_nNoiseCursor > kNoiseTableLength)
            m_nNoiseCursor = 1;
    }
}

void CAudioProcessor::WriteOutput(INT frames)
{
    const INT channels = m_nInChannels;
    const std::size_t needed = static_cast<std::size_t>(frames) * ProcessFrameBytes();
    if (m_OutputPcm.size() < needed)
        m_OutputPcm.resize(needed);
    for (INT c = 0; c < channels; ++c) {
        float* x = m_ChannelOutput[c].data() + 1;
        bool clipped = false;
        if (m_nOutBits == 16) {
            const float gain = m_fMasterGain * kScale16;
            for (INT k = 0; k < frames; ++k) {
                INT v = static_cast<INT>(std::lrint(gain * x[k]));
                if (v > kLimit16) {
                    v = kLimit16;
                    clipped = true;
                } else if (v < -kLimit16) {
                    v = -kLimit16;
                    clipped = true;
                }
                BYTE* p = m_OutputPcm.data() + (static_cast<std::size_t>(k) * channels + c) * 2;
                p[0] = static_cast<BYTE>(v & 0xFF);
                p[1] = static_cast<BYTE>((v >> 8) & 0xFF);
            }
        } else {
            float gain = m_fMasterGain;
            std::vector<float> shaped;
            if (m_bNoiseOn && m_nNoiseLength > 0) {
                shaped.assign(x, x + frames);
                for (float& s : shaped)
                    s *= m_fMasterGain;
                AddNoise(shaped.data(), frames, 0.015f);
                x = shaped.data();
                gain = 1.0f;
            }
            // Unsigned 8-bit samples are centred at 128, as the wave buffers
            // and every 8-bit file are.
            for (INT k = 0; k < frames; ++k) {
                INT v = static_cast<INT>(std::lrint(gain * 128.0f * x[k]));
                if (v > 127) {
                    v = 127;
                    clipped = true;
                } else if (v < -128) {
                    v = -128;
                    clipped = true;
                }
                m_OutputPcm[static_cast<std::size_t>(k) * channels + c] = static_cast<BYTE>(v + 128);
            }
        }
        m_bClipped[c] = clipped;
        m_bClipLatch = m_bClipLatch || clipped;
    }
}

INT CAudioProcessor::Read(INT maxFrames, BYTE* destination) { return ReadOutput(maxFrames, destination); }

INT CAudioProcessor::ReadOutput(INT maxFrames, BYTE* destination)
{
    if (!m_bReady || destination == nullptr)
        return 0;
    const INT count = std::max(0, std::min(maxFrames, m_nOutputFrames - m_nReadPosition));
    if (count == 0)
        return 0;
    const INT from = m_nReadPosition;
    if (m_nInChannels == m_nOutChannels) {
        std::memcpy(destination, m_OutputPcm.data() + static_cast<std::size_t>(from) * ProcessFrameBytes(),
                    static_cast<std::size_t>(count) * ProcessFrameBytes());
    } else {
        const INT in = m_nInChannels;
        const INT out = m_nOutChannels;
        for (INT k = 0; k < count; ++k) {
            const std::size_t frame = static_cast<std::size_t>(from + k) * in;
            if (m_nOutBits == 16) {
                INT sum = 0;
                for (INT c = 0; c < in; ++c) {
                    const BYTE* p = m_OutputPcm.data() + (frame + c) * 2;
                    sum += static_cast<SHORT>(p[0] | p[1] << 8);
                }
                const INT mean = sum / in;
                for (INT c = 0; c < out; ++c) {
                    BYTE* q = destination + (static_cast<std::size_t>(k) * out + c) * 2;
                    q[0] = static_cast<BYTE>(mean & 0xFF);
                    q[1] = static_cast<BYTE>((mean >> 8) & 0xFF);
                }
            } else {
                INT sum = 0;
                for (INT c = 0; c < in; ++c)
                    sum += m_OutputPcm[frame + c];
                for (INT c = 0; c < out; ++c)
                    destination[static_cast<std::size_t>(k) * out + c] = static_cast<BYTE>(sum / in);
            }
        }
    }
    m_nReadPosition += count;
    return count;
}

BOOL CAudioProcessor::AnyClipped()
{
    const bool clipped = m_bClipLatch;
    m_bClipLatch = false;
    return clipped ? TRUE : FALSE;
}

BOOL CAudioProcessor::ChannelClipped(INT channel)
{
    return channel >= 0 && channel < kMaxChannels && m_bClipped[channel] ? TRUE : FALSE;
}

// Reads everything the engine holds, in pieces of up to four blocks.
INT CAudioProcessor::DrainOutput(BYTE*& output)
{
    INT total = 0;
    for (;;) {
        const INT read = ReadOutput(4 * m_nBlockFrames, output);
        if (read == 0)
            return total;
        output += static_cast<std::size_t>(read) * OutFrameBytes();
        total += read;
    }
}

INT CAudioProcessor::ProcessAll(INT frames, const BYTE* input, BYTE* output, BOOL flushAtEnd)
{
    if (!m_bReady || output == nullptr)
        return 0;
    INT total = 0;
    INT fed = 0;
    for (;;) {
        const INT read = DrainOutput(output);
        total += read;
        if (fed >= frames && flushAtEnd) {
            FeedInterleaved(0, input, TRUE);
            total += DrainOutput(output);
            break;
        }
        const INT accepted = fed < frames ? FeedInterleaved(frames - fed, input, FALSE) : 0;
        if (input != nullptr)
            input += static_cast<std::size_t>(accepted) * InFrameBytes();
        fed += accepted;
        if (read == 0 && accepted == 0)
            break;
    }
    return total;
}

INT CAudioProcessor::ProcessAllInputs(INT frames, INT count, const BYTE* const* inputs, BYTE* output)
{
    if (!m_bReady || output == nullptr)
        return 0;
    count = std::clamp(count, 0, kGainEntries);
    std::vector<const BYTE*> pointers(static_cast<std::size_t>(count), nullptr);
    if (inputs != nullptr)
        std::copy(inputs, inputs + count, pointers.begin());
    INT total = 0;
    INT fed = 0;
    for (;;) {
        const INT read = DrainOutput(output);
        total += read;
        const INT accepted = fed < frames ? FeedInputs(frames - fed, pointers.data(), count, FALSE) : 0;
        for (const BYTE*& pointer : pointers)
            if (pointer != nullptr)
                pointer += static_cast<std::size_t>(accepted) * InFrameBytes();
        fed += accepted;
        if (read == 0 && accepted == 0)
            break;
    }
    return total;
}

INT CAudioProcessor::ProcessStream(INT frames, const BYTE* input, BYTE* output)
{
    if (!m_bReady || output == nullptr)
        return 0;
    INT total = 0;
    while (frames > 0) {
        const INT piece = std::min(frames, m_nBlockFrames);
        const INT accepted = FeedInterleaved(piece, input, frames < m_nBlockFrames ? TRUE : FALSE);
        if (accepted <= 0)
            break;
        if (input != nullptr)
            input += static_cast<std::size_t>(accepted) * InFrameBytes();
        frames -= accepted;
        total += DrainOutput(output);
    }
    return total;
}

void CAudioProcessor::SetGain(INT entry, float target, float rampSeconds)
{
    if (entry < 0 || entry >= kGainEntries)
        return;
    m_TargetGain[entry] = target;
    m_RampEnd[entry] = InputClock() + static_cast<std::int64_t>(rampSeconds * static_cast<float>(m_nInRate));
    if (rampSeconds > 0.0f && m_RampEnd[entry] > InputClock()) {
        m_GainStep[entry] = (target - m_Gain[entry]) / (rampSeconds * static_cast<float>(m_nInRate));
    } else {
        m_Gain[entry] = target;
        m_GainStep[entry] = 0.0f;
    }
}

INT CAudioProcessor::SetGains(INT count, const float* gains, float rampSeconds)
{
    if (gains == nullptr) {
        for (INT e = 0; e < kGainEntries; ++e) {
            m_Gain[e] = 1.0f;
            m_TargetGain[e] = 1.0f;
            m_GainStep[e] = 0.0f;
            m_RampEnd[e] = 0;
        }
        return 0;
    }
    count = std::clamp(count, 0, kMaxInputs);
    for (INT i = 0; i < count; ++i)
        for (INT c = 0; c < m_nInChannels; ++c) {
            const INT e = c + i * m_nInChannels;
            SetGain(e, gains[e], rampSeconds);
        }
    return count;
}

void CAudioProcessor::SetMasterLevel(INT percent) { SetMasterLevel(static_cast<float>(percent)); }

void CAudioProcessor::SetMasterLevel(float percent) { m_fMasterGain = percent * 0.01f; }

void CAudioProcessor::SetMasterGainDb(float decibels)
{
    m_fMasterGain = static_cast<float>(std::pow(10.0, decibels * 0.1));
}

void CAudioProcessor::GetMasterGainDb(float* decibels)
{
    if (decibels == nullptr)
        return;
    const double value = 10.0 * std::log10(static_cast<double>(m_fMasterGain));
    *decibels = static_cast<float>(0.01 * std::floor((value + 0.005) / 0.01));
}

float CAudioProcessor::BinFrequency(INT position) const
{
    if (position == 2)
        return static_cast<float>(m_nInRate) / 2.0f;
    return static_cast<float>((position - 1) / 2) * static_cast<float>(m_nInRate)
           / static_cast<float>(m_nTransformSize);
}

void CAudioProcessor::Combine(INT from, INT to)
{
    const INT n = m_nTransformSize;
    if (!m_bImpulseOn) {
        from = std::max(from, 1);
        to = std::min(to, n);
        for (INT i = from; i <= to; ++i)
            m_Response[i] = m_PassBand[i] * m_BandCurve[i];
        return;
    }
    INT i = std::max(from | 1, 3);
    for (; i < to && i < n; i += 2) {
        m_Response[i] = m_PassBand[i] * m_ImpulseSpectrum[i] * m_BandCurve[i];
        m_Response[i + 1] = m_PassBand[i + 1] * m_ImpulseSpectrum[i + 1] * m_BandCurve[i + 1];
        const INT j = 2 * n + 2 - i;
        m_Response[j] = m_PassBand[i] * m_ImpulseSpectrum[j] * m_BandCurve[i];
        m_Response[j + 1] = m_PassBand[i + 1] * m_ImpulseSpectrum[j + 1] * m_BandCurve[i + 1];
    }
    m_Response[n + 1] = 0.0f;
    m_Response[n + 2] = 0.0f;
    const float first = m_PassBand[3] * m_BandCurve[3];
    m_Response[1] = m_ImpulseSpectrum[1] * first;
    m_Response[2] = m_ImpulseSpectrum[2] * first;
}

// The pass band's ramp over positions start .. end - 1, in pairs: a raised
// cosine rising from 0 (high-pass) or falling to 0 (low-pass).
void CAudioProcessor::RaisedCosine(INT start, INT end, bool rising)
{
    const float span = static_cast<float>(std::max(end - start - 1, 1));
    for (INT i = start; i < end; i += 2) {
        const INT g = rising ? i - start : end - i;
        const float v = static_cast<float>(0.5 - 0.5 * std::cos(kPi * g / span));
        m_PassBand[i] = v;
        m_PassBand[i + 1] = v;
    }
}

void CAudioProcessor::SetHighPass(INT hertz) { SetHighPass(static_cast<float>(hertz)); }

void CAudioProcessor::SetHighPass(float hertz)
{
    if (!m_bReady)
        return;
    const INT n = m_nTransformSize;
    const float rate = static_cast<float>(m_nInRate);
    INT start = 1 + static_cast<INT>(2.0f * (hertz - hertz * 0.16666667f) * static_cast<float>(n) / rate);
    INT end = 1 + static_cast<INT>(2.0f * 1.1666666f * hertz * static_cast<float>(n) / rate);
    start = std::clamp(start, 1, n);
    end = std::clamp(std::max(end, start + 2), 1, n);
    start = std::min(start, end - 2);
    m_bFilterOn = true;
    for (INT i = 2; i < start; ++i)
        m_PassBand[i] = 0.0f;
    RaisedCosine(start, end, true);
    for (INT i = end; i < m_nHighPassEnd && i <= n; ++i)
        m_PassBand[i] = 1.0f;
    Combine(2, std::max(end, m_nHighPassEnd));
    m_nHighPassStart = start;
    m_nHighPassEnd = end;
    m_fHighPassHz = hertz;
}

void CAudioProcessor::SetLowPass(INT hertz) { SetLowPass(static_cast<float>(hertz)); }

void CAudioProcessor::SetLowPass(float hertz)
{
    if (!m_bReady)
        return;
    const INT n = m_nTransformSize;
    const float rate = static_cast<float>(m_nInRate);
    const INT start = std::clamp(
        1 + static_cast<INT>(2.0f * (hertz - hertz * 0.083333336f) * static_cast<float>(n) / rate), 0, n);
    const INT end = std::clamp(3 + static_cast<INT>(2.0f * 1.0833334f * hertz * static_cast<float>(n) / rate), 0, n);
    m_bFilterOn = true;
    for (INT i = std::max(m_nLowPassStart, 1); i < start; ++i)
        m_PassBand[i] = 1.0f;
    RaisedCosine(start, end, false);
    for (INT i = std::max(end, 1); i <= n; ++i)
        m_PassBand[i] = 0.0f;
    if (start < n)
        m_PassBand[2] = 0.0f;
    Combine(std::min(start, m_nLowPassStart), n);
    m_nLowPassStart = start;
    m_nLowPassEnd = end;
    m_fLowPassHz = hertz;
}

void CAudioProcessor::GetCutoffs(float* highPass, float* lowPass)
{
    if (highPass != nullptr)
        *highPass = m_fHighPassHz;
    if (lowPass != nullptr)
        *lowPass = m_fLowPassHz;
}

void CAudioProcessor::SetBandLevel(INT lowHz, INT highHz, INT percent)
{
    SetBandLevel(static_cast<float>(lowHz), static_cast<float>(highHz), static_cast<float>(percent));
}

void CAudioProcessor::SetBandLevel(float lowHz, float highHz, float percent)
{
    if (!m_bReady)
        return;
    m_bFilterOn = true;
    INT first = 0;
    INT last = 0;
    for (INT i = 1; i <= m_nBlockFrames + 1; i += 2) {
        const float f = BinFrequency(i);
        if (f > lowHz && f < highHz) {
            m_BandCurve[i] = percent * 0.01f;
            m_BandCurve[i + 1] = percent * 0.01f;
            first = first == 0 ? i : first;
            last = i + 1;
        }
    }
    if (first != 0)
        Combine(first, last);
}

void CAudioProcessor::ResetFilters()
{
    if (!m_bReady)
        return;
    for (INT i = 1; i <= m_nBlockFrames + 1; ++i)
        m_Response[i] = 1.0f;
    m_bFilterOn = false;
    m_fHighPassHz = 0.0f;
    m_fLowPassHz = static_cast<float>(m_nOutRate) * 0.5f;
}

BOOL CAudioProcessor::SetBandFrequencies(INT count, const float* hertz)
{
    if (count < 0 || count > kMaxBands || (count > 0 && hertz == nullptr))
        return FALSE;
    for (INT i = 1; i < count; ++i)
        if (!(hertz[i] > hertz[i - 1]))
            return FALSE;
    if (count > 0 && (hertz[0] <= 0.0f || hertz[count - 1] >= kEqualiserTopHz))
        return FALSE;
    m_nBandPoints = count + 2;
    m_BandHz[0] = 0.0f;
    for (INT i = 0; i < count; ++i)
        m_BandHz[i + 1] = hertz[i];
    m_BandHz[count + 1] = kEqualiserTopHz;
    for (INT i = 0; i < m_nBandPoints; ++i) {
        m_BandGain[i] = 1.0f;
        m_BandCurvature[i] = 0.0f;
    }
    m_BandGain[count + 1] = 0.0f;
    m_nSplineLow = 0;
    m_nSplineHigh = 0;
    return TRUE;
}

BOOL CAudioProcessor::GetBandFrequencies(INT* count, float* hertz)
{
    if (count != nullptr)
        *count = m_nBandPoints > 2 ? m_nBandPoints - 2 : 0;
    if (m_nBandPoints <= 2)
        return FALSE;
    for (INT i = 0; hertz != nullptr && i < m_nBandPoints - 2; ++i)
        hertz[i] = m_BandHz[i + 1];
    return TRUE;
}

// The spline at `x`; the bracket found by bisection is kept for the next
// call, as the curve is evaluated at rising frequencies.
float CAudioProcessor::SplineAt(float x)
{
    const INT n = m_nBandPoints;
    INT low = m_nSplineLow;
    INT high = m_nSplineHigh;
    if (!(high == low + 1 && high < n && m_BandHz[low] <= x && x <= m_BandHz[high])) {
        low = 0;
        high = n - 1;
        while (high - low > 1) {
            const INT middle = (high + low) / 2;
            if (m_BandHz[middle] > x)
                high = middle;
            else
                low = middle;
        }
        m_nSplineLow = low;
        m_nSplineHigh = high;
    }
    const float h = m_BandHz[high] - m_BandHz[low];
    if (h <= 0.0f)
        return m_BandGain[low];
    const float a = (m_BandHz[high] - x) / h;
    const float b = (x - m_BandHz[low]) / h;
    return a * m_BandGain[low] + b * m_BandGain[high]
           + ((a * a * a - a) * m_BandCurvature[low] + (b * b * b - b) * m_BandCurvature[high]) * (h * h) / 6.0f;
}

void CAudioProcessor::RebuildBandCurve()
{
    SplineCurvature(m_BandHz, m_BandGain, m_nBandPoints, 0.0f, 0.0f, m_BandCurvature);
    m_BandCurve[2] = std::max(0.0f, SplineAt(BinFrequency(2)));
    for (INT i = 3; i <= m_nBlockFrames + 1; i += 2) {
        const float v = std::max(0.0f, SplineAt(BinFrequency(i)));
        m_BandCurve[i] = v;
        m_BandCurve[i + 1] = v;
    }
    m_bFilterOn = true;
    Combine(3, m_nTransformSize);
}

BOOL CAudioProcessor::SetBandGain(INT band, float decibels)
{
    const INT bands = m_nBandPoints - 2;
    if (!m_bReady || band < 0 || band >= bands)
        return FALSE;
    const float gain = static_cast<float>(std::pow(10.0, decibels * 0.1));
    m_BandGain[band + 1] = gain;
    if (band == 0)
        m_BandGain[0] = gain;
    if (band == bands - 1)
        m_BandGain[bands + 1] = gain;
    RebuildBandCurve();
    return TRUE;
}

BOOL CAudioProcessor::GetBandGain(INT band, float* decibels)
{
    if (band < 0 || band >= m_nBandPoints - 2 || decibels == nullptr)
        return FALSE;
    const double value = 10.0 * std::log10(static_cast<double>(m_BandGain[band + 1]));
    *decibels = static_cast<float>(0.1 * std::floor((value + 0.05) / 0.1));
    return TRUE;
}

BOOL CAudioProcessor::SetImpulseResponse(INT count, INT, const SHORT* samples)
{
    if (!m_bReady)
        return FALSE;
    const INT n = m_nTransformSize;
    if (samples == nullptr) {
        m_bImpulseOn = false;
        Combine(1, n);
        return TRUE;
    }
    if (count < 0 || count > n)
        return FALSE;
    m_bFilterOn = true;
    m_bImpulseOn = true;
    std::fill(m_ImpulseSpectrum.begin(), m_ImpulseSpectrum.end(), 0.0f);
    for (INT k = 0; k < count; ++k)
        m_ImpulseSpectrum[static_cast<std::size_t>(2 * k + 1)] = static_cast<float>(samples[k + 1]) / 32768.0f;
    ComplexTransform(m_ImpulseSpectrum.data(), n, 1);
    Combine(1, n);
    return TRUE;
}

void CAudioProcessor::SetNoise(BOOL on)
{
    m_bNoiseOn = on != FALSE;
    if (!m_bNoiseOn || m_nNoiseLength > 0)
        return;
    m_NoiseTable.assign(static_cast<std::size_t>(kNoiseTableLength) + 4, 0.0f);
    const auto random = [this] { return static_cast<float>(m_NoiseRandom() % 32768) / 32767.0f - 0.5f; };
    for (INT i = 832; i <= 958; i += 2)
        m_NoiseTable[static_cast<std::size_t>(i)] = random() * 0.05f;
    for (INT i = 960; i <= 1022; i += 2)
        m_NoiseTable[static_cast<std::size_t>(i)] = random() * 0.1f;
    RealTransform(m_NoiseTable.data(), kNoiseTableLength, -1);
    m_nNoiseLength = kNoiseTableLength;
}
