#pragma once
// AudioEnvelopePoint: one fade of an audio clip, kind 3 (fade-in) or 4
// (fade-out), over [start, end] in milliseconds of the clip's file time.
// The point holds one AudioEnvelopeSegment; of its fields only the kind,
// the start and the end ever change or are saved, the levels and the shape
// keep their defaults.

#include "Platform/Win/Base/WinTypes.h"

class AudioEnvelopeSegment {
public:
    // The kind a segment has until it is set, and that Set gives a kind it
    // does not know.
    static constexpr INT kUnknownKind = 10;
    // An end that lies beyond any clip: 2^27 - 1 ms.
    static constexpr INT kOpenEnd = 134217727;
    static constexpr INT kUnityLevel = 1024;

    virtual ~AudioEnvelopeSegment() = default;

    INT m_nKind = kUnknownKind;
    INT m_nStart = 0;
    INT m_nEnd = kOpenEnd;
    INT m_nStartLevel = kUnityLevel;
    INT m_nEndLevel = kUnityLevel;
    float m_fShape = -1.0f;
    INT m_nFinalLevel = kUnityLevel;
};

class AudioEnvelopePoint {
public:
    static constexpr INT kFadeIn = 3;
    static constexpr INT kFadeOut = 4;
    // The kind of a point made without one.
    static constexpr INT kNewPoint = 5;
    // Set keeps kinds 0 to kLastKind.
    static constexpr INT kLastKind = 8;

    AudioEnvelopePoint();
    AudioEnvelopePoint(const AudioEnvelopePoint&) = default;
    AudioEnvelopePoint& operator=(const AudioEnvelopePoint&) = default;
    virtual ~AudioEnvelopePoint() = default;

    // Stores the span and the kind (a kind outside 0..8 becomes 10), and
    // gives the levels and the shape their defaults.
    void Set(INT start, INT end, INT kind);

    INT GetKind() const { return m_Segment.m_nKind; }
    INT GetStart() const { return m_Segment.m_nStart; }
    INT GetEnd() const { return m_Segment.m_nEnd; }
    void SetStart(INT start) { m_Segment.m_nStart = start; }
    void SetEnd(INT end) { m_Segment.m_nEnd = end; }
    const AudioEnvelopeSegment& GetSegment() const { return m_Segment; }

private:
    AudioEnvelopeSegment m_Segment;
};
