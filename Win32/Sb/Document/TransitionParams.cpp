#include "Win32/Sb/Document/TransitionParams.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace {

// Byte offsets of the stored fields, in field order.
enum Offset : std::size_t {
    kFamily = 0,
    kAUseColor = 4,
    kAColor = 8,
    kADuration = 12,
    kBUseColor = 16,
    kBColor = 20,
    kBDuration = 24,
    kOverlapDuration = 28,
    kDirection = 32,
    kShape = 36,
    kStyle = 40,
    kId = 44,
    kSoftness = 48,
};
static_assert(kSoftness + 4 == TransitionParams::kStoredSize);

void PutU32(BYTE* out, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + i] = static_cast<BYTE>(value >> (8 * i));
}

std::uint32_t GetU32(const BYTE* in, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t{in[offset + i]} << (8 * i);
    return value;
}

void PutInt(BYTE* out, std::size_t offset, INT value) { PutU32(out, offset, static_cast<std::uint32_t>(value)); }
void PutFloat(BYTE* out, std::size_t offset, float value) { PutU32(out, offset, std::bit_cast<std::uint32_t>(value)); }
INT GetInt(const BYTE* in, std::size_t offset) { return static_cast<INT>(GetU32(in, offset)); }
float GetFloat(const BYTE* in, std::size_t offset) { return std::bit_cast<float>(GetU32(in, offset)); }

} // namespace

INT TransitionParams::ClampSoftness(INT softness)
{
    return std::clamp(softness, 0, kMaxSoftness);
}

void TransitionParams::Write(BYTE (&out)[kStoredSize]) const
{
    PutInt(out, kFamily, m_nFamily);
    PutInt(out, kAUseColor, m_bAUseColor);
    PutU32(out, kAColor, m_crAColor);
    PutFloat(out, kADuration, m_fADuration);
    PutInt(out, kBUseColor, m_bBUseColor);
    PutU32(out, kBColor, m_crBColor);
    PutFloat(out, kBDuration, m_fBDuration);
    PutFloat(out, kOverlapDuration, m_fOverlapDuration);
    PutInt(out, kDirection, m_nDirection);
    PutInt(out, kShape, m_nShape);
    PutInt(out, kStyle, m_nStyle);
    PutInt(out, kId, m_nId);
    PutInt(out, kSoftness, m_nSoftness);
}

BOOL TransitionParams::Read(const BYTE* data, std::size_t size)
{
    if (data == nullptr || size < kStoredSize)
        return FALSE;
    m_nFamily = GetInt(data, kFamily);
    m_bAUseColor = GetInt(data, kAUseColor);
    m_crAColor = GetU32(data, kAColor);
    m_fADuration = GetFloat(data, kADuration);
    m_bBUseColor = GetInt(data, kBUseColor);
    m_crBColor = GetU32(data, kBColor);
    m_fBDuration = GetFloat(data, kBDuration);
    m_fOverlapDuration = GetFloat(data, kOverlapDuration);
    m_nDirection = GetInt(data, kDirection);
    m_nShape = GetInt(data, kShape);
    m_nStyle = GetInt(data, kStyle);
    m_nId = GetInt(data, kId);
    m_nSoftness = ClampSoftness(GetInt(data, kSoftness));
    return TRUE;
}
