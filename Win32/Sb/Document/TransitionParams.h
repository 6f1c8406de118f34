#pragma once
// The parameter record of a transition: renderer family, the colours and
// durations of both sides, the overlap, the kind's direction, shape, style
// and id, and the edge softness. The record is 13 fields of 32 bits; its
// stored form is those 52 bytes in field order, little-endian, floats as
// IEEE single precision.

#include <cstddef>

#include "Platform/Win/Base/WinTypes.h"

struct TransitionParams {
    static constexpr std::size_t kStoredSize = 52;
    // A blur wider than this would only cost time: the panel offers 0 or 10.
    static constexpr INT kMaxSoftness = 20;

    INT m_nFamily = 0;
    INT m_bAUseColor = 0;
    COLORREF m_crAColor = RGB(0, 0, 0);
    float m_fADuration = 2.0f;
    INT m_bBUseColor = 0;
    COLORREF m_crBColor = RGB(255, 255, 255);
    float m_fBDuration = 2.0f;
    float m_fOverlapDuration = 0.0f;
    INT m_nDirection = 0;
    INT m_nShape = 0;
    INT m_nStyle = 0;
    INT m_nId = 0;
    INT m_nSoftness = 0;

    // The softness limited to 0..kMaxSoftness, so that the blur kernel
    // (2s + 1) is always valid whatever a file or a caller put there.
    static INT ClampSoftness(INT softness);

    // Writes the 52 stored bytes.
    void Write(BYTE (&out)[kStoredSize]) const;
    // Reads the stored form; FALSE (the record unchanged) when fewer than
    // 52 bytes are given. The softness read is clamped.
    BOOL Read(const BYTE* data, std::size_t size);
};
