#include "Win32/Sb/Document/AudioEnvelopePoint.h"

AudioEnvelopePoint::AudioEnvelopePoint()
{
    m_Segment.m_nKind = kNewPoint;
}

void AudioEnvelopePoint::Set(INT start, INT end, INT kind)
{
    m_Segment = AudioEnvelopeSegment();
    m_Segment.m_nStart = start;
    m_Segment.m_nEnd = end;
    m_Segment.m_nKind = kind >= 0 && kind <= kLastKind ? kind : AudioEnvelopeSegment::kUnknownKind;
}
