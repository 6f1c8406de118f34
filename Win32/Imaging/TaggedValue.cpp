#include "Win32/Imaging/TaggedValue.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Win32/Imaging/GfxArchive.h"

namespace {

// Triples of doubles compare equal when every member is this close.
constexpr double kTripleTolerance = 1e-11;

BOOL IsLong32Type(DWORD type)
{
    switch (type) {
    case TVT_INT32:
    case TVT_INT32_6:
    case TVT_INT32_7:
    case TVT_INT32_8:
    case TVT_VALUE32_20:
    case TVT_VALUE32_21:
    case TVT_VALUE32_22:
        return TRUE;
    default:
        return FALSE;
    }
}

// Types whose whole value lies in the payload and is copied as bytes.
BOOL IsInlineType(DWORD type)
{
    return CTaggedValue::IsIntegerType(type) || type == TVT_FLOAT || type == TVT_DOUBLE || type == TVT_POINTER ||
           type == TVT_QUAD;
}

} // namespace

template <typename V>
V CTaggedValue::Load() const
{
    static_assert(sizeof(V) <= kPayloadSize);
    V value;
    std::memcpy(&value, m_payload, sizeof value);
    return value;
}

template <typename V>
void CTaggedValue::Store(const V& value)
{
    static_assert(sizeof(V) <= kPayloadSize);
    std::memcpy(m_payload, &value, sizeof value);
}

template <typename O>
O* CTaggedValue::Owned() const
{
    return Load<O*>();
}

template <typename O>
BOOL CTaggedValue::SetOwned(DWORD type, const O& value)
{
    if (m_nType == type) {
        *Owned<O>() = value;
        return TRUE;
    }
    O* copy = new (std::nothrow) O(value);
    Reset();
    if (!copy)
        return FALSE;
    Store(copy);
    m_nType = type;
    return TRUE;
}

CTaggedValue::CTaggedValue(LONG value)
{
    SetLong(value, TVT_INT32_7);
}

CTaggedValue::CTaggedValue(void* pointer)
{
    SetPointer(pointer);
}

CTaggedValue::CTaggedValue(const CGfxRect& rect)
{
    SetRect(rect);
}

CTaggedValue::CTaggedValue(const CGfxString& text)
{
    SetString(text);
}

CTaggedValue::CTaggedValue(const CTaggedValue& other)
{
    Assign(other);
}

CTaggedValue& CTaggedValue::operator=(const CTaggedValue& other)
{
    Assign(other);
    return *this;
}

CTaggedValue::~CTaggedValue()
{
    Reset();
}

void CTaggedValue::Reset()
{
    switch (m_nType) {
    case TVT_SIZE:
        delete Owned<CGfxSize>();
        break;
    case TVT_RECT:
        delete Owned<CGfxRect>();
        break;
    case TVT_POINT:
        delete Owned<CGfxPoint>();
        break;
    case TVT_STRING:
        delete Owned<CGfxString>();
        break;
    case TVT_INT_PAIR:
        delete Owned<CIntPair>();
        break;
    case TVT_RGB_COLOR:
        delete Owned<CRGBColor>();
        break;
    case TVT_HSL_COLOR:
        delete Owned<CHSLColor>();
        break;
    case TVT_GRAY_COLOR:
        delete Owned<CGrayColor>();
        break;
    case TVT_TRIPLE_50:
    case TVT_TRIPLE_51:
        delete Owned<CDoubleTriple>();
        break;
    default:
        if (IsBlobType(m_nType))
            free(Owned<BYTE>());
        break;
    }
    m_nType = TVT_EMPTY;
    m_nLength = 0;
    std::memset(m_payload, 0, sizeof m_payload);
}

BOOL CTaggedValue::SetInline(DWORD type, const void* data, size_t size)
{
    BYTE bytes[kPayloadSize] = {};
    std::memcpy(bytes, data, size);
    Reset();
    std::memcpy(m_payload, bytes, sizeof bytes);
    m_nType = type;
    return TRUE;
}

BOOL CTaggedValue::SetInt8(INT8 value)
{
    return SetInline(TVT_INT8, &value, sizeof value);
}

BOOL CTaggedValue::SetInt16(SHORT value)
{
    return SetInline(TVT_INT16, &value, sizeof value);
}

BOOL CTaggedValue::SetUInt8(BYTE value)
{
    return SetInline(TVT_UINT8, &value, sizeof value);
}

BOOL CTaggedValue::SetUInt16(WORD value)
{
    return SetInline(TVT_UINT16, &value, sizeof value);
}

BOOL CTaggedValue::SetLong(LONG value, DWORD type)
{
    if (!IsLong32Type(type))
        return FALSE;
    return SetInline(type, &value, sizeof value);
}

BOOL CTaggedValue::SetFloat(float value)
{
    return SetInline(TVT_FLOAT, &value, sizeof value);
}

BOOL CTaggedValue::SetDouble(double value)
{
    return SetInline(TVT_DOUBLE, &value, sizeof value);
}

BOOL CTaggedValue::SetPointer(void* pointer)
{
    return SetInline(TVT_POINTER, &pointer, sizeof pointer);
}

BOOL CTaggedValue::SetQuad(DWORD a, DWORD b, DWORD c, DWORD d)
{
    const DWORD words[4] = {a, b, c, d};
    return SetInline(TVT_QUAD, words, sizeof words);
}

BOOL CTaggedValue::SetSize(const CGfxSize& size)
{
    return SetOwned(TVT_SIZE, size);
}

BOOL CTaggedValue::SetRect(const CGfxRect& rect)
{
    return SetOwned(TVT_RECT, rect);
}

BOOL CTaggedValue::SetPoint(const CGfxPoint& point)
{
    return SetOwned(TVT_POINT, point);
}

BOOL CTaggedValue::SetString(const CGfxString& text)
{
    if (!SetOwned(TVT_STRING, text))
        return FALSE;
    // CGfxString reports a failed copy only by having no characters.
    if (!text.IsEmpty() && Owned<CGfxString>()->IsEmpty()) {
        Reset();
        return FALSE;
    }
    return TRUE;
}

BOOL CTaggedValue::SetIntPair(const CIntPair& pair)
{
    return SetOwned(TVT_INT_PAIR, pair);
}

BOOL CTaggedValue::SetRGBColor(const CRGBColor& color)
{
    // An RGB-plus-index colour is held as its three channels.
    return SetOwned(TVT_RGB_COLOR, CRGBColor(color.m_r, color.m_g, color.m_b));
}

BOOL CTaggedValue::SetHSLColor(const CHSLColor& color)
{
    return SetOwned(TVT_HSL_COLOR, color);
}

BOOL CTaggedValue::SetGrayColor(const CGrayColor& color)
{
    return SetOwned(TVT_GRAY_COLOR, color);
}

BOOL CTaggedValue::SetDoubleTriple(DWORD type, const CDoubleTriple& triple)
{
    if (type != TVT_TRIPLE_50 && type != TVT_TRIPLE_51)
        return FALSE;
    return SetOwned(type, triple);
}

BOOL CTaggedValue::SetBlob(const void* data, DWORD length, DWORD type)
{
    if (!IsBlobType(type))
        return FALSE;
    if (!data || length == 0) {
        Reset();
        return TRUE;
    }
    // Copied before the reset, since `data` may be this value's own blob.
    BYTE* block = static_cast<BYTE*>(malloc(length));
    if (block)
        std::memcpy(block, data, length);
    Reset();
    if (!block)
        return FALSE;
    Store(block);
    m_nType = type;
    m_nLength = length;
    return TRUE;
}

BOOL CTaggedValue::Assign(const CTaggedValue& other)
{
    if (this == &other)
        return TRUE;
    if (m_nType != other.m_nType)
        Reset();
    const DWORD type = other.m_nType;
    if (type == TVT_EMPTY) {
        Reset();
        return TRUE;
    }
    if (IsInlineType(type))
        return SetInline(type, other.m_payload, sizeof other.m_payload);
    if (IsBlobType(type))
        return SetBlob(other.GetBlobData(), other.m_nLength, type);
    switch (type) {
    case TVT_SIZE:
        return SetSize(*other.AsSize());
    case TVT_RECT:
        return SetRect(*other.AsRect());
    case TVT_POINT:
        return SetPoint(*other.AsPoint());
    case TVT_STRING:
        return SetString(*other.AsString());
    case TVT_INT_PAIR:
        return SetIntPair(*other.AsIntPair());
    case TVT_RGB_COLOR:
        return SetRGBColor(*other.AsRGBColor());
    case TVT_HSL_COLOR:
        return SetHSLColor(*other.AsHSLColor());
    case TVT_GRAY_COLOR:
        return SetGrayColor(*other.AsGrayColor());
    case TVT_TRIPLE_50:
    case TVT_TRIPLE_51:
        return SetDoubleTriple(type, *other.AsDoubleTriple());
    default:
        Reset();
        return FALSE;
    }
}

bool CTaggedValue::operator==(const CTaggedValue& other) const
{
    if (m_nType != other.m_nType)
        return false;
    switch (m_nType) {
    case TVT_EMPTY:
        return true;
    case TVT_INT8:
    case TVT_UINT8:
        return GetByte() == other.GetByte();
    case TVT_INT16:
    case TVT_UINT16:
        return GetWord() == other.GetWord();
    case TVT_FLOAT:
        return GetFloat() == other.GetFloat();
    case TVT_DOUBLE:
        return GetDouble() == other.GetDouble();
    case TVT_POINTER:
        return GetPointer() == other.GetPointer();
    case TVT_SIZE:
        return *AsSize() == *other.AsSize();
    case TVT_RECT:
        return *AsRect() == *other.AsRect();
    case TVT_POINT:
        return *AsPoint() == *other.AsPoint();
    case TVT_STRING:
        return AsString()->IsEqual(*other.AsString()) != FALSE;
    case TVT_INT_PAIR:
        return AsIntPair()->m_nFirst == other.AsIntPair()->m_nFirst &&
               AsIntPair()->m_nSecond == other.AsIntPair()->m_nSecond;
    case TVT_RGB_COLOR:
        return *AsRGBColor() == *other.AsRGBColor();
    case TVT_HSL_COLOR:
        return AsHSLColor()->GetValue() == other.AsHSLColor()->GetValue();
    case TVT_GRAY_COLOR:
        return *AsGrayColor() == *other.AsGrayColor();
    case TVT_TRIPLE_50:
    case TVT_TRIPLE_51:
        for (int i = 0; i < 3; ++i) {
            if (!(std::fabs(AsDoubleTriple()->m_d[i] - other.AsDoubleTriple()->m_d[i]) < kTripleTolerance))
                return false;
        }
        return true;
    default:
        if (IsLong32Type(m_nType))
            return GetLong() == other.GetLong();
        if (IsBlobType(m_nType))
            return m_nLength == other.m_nLength && std::memcmp(GetBlobData(), other.GetBlobData(), m_nLength) == 0;
        return false;
    }
}

BOOL CTaggedValue::IsIntegerType(DWORD type)
{
    return (type >= TVT_INT8 && type <= TVT_INT32_8) || (type >= TVT_VALUE32_20 && type <= TVT_VALUE32_22);
}

UINT_PTR CTaggedValue::GetRawWord() const
{
    return Load<UINT_PTR>();
}

BYTE CTaggedValue::GetByte() const
{
    return m_payload[0];
}

WORD CTaggedValue::GetWord() const
{
    return Load<WORD>();
}

LONG CTaggedValue::GetLong() const
{
    return Load<LONG>();
}

float CTaggedValue::GetFloat() const
{
    return Load<float>();
}

double CTaggedValue::GetDouble() const
{
    return Load<double>();
}

void* CTaggedValue::GetPointer() const
{
    return m_nType == TVT_POINTER ? Load<void*>() : nullptr;
}

BOOL CTaggedValue::CopyLong(LONG& out) const
{
    switch (m_nType) {
    case TVT_INT8:
        out = Load<INT8>();
        return TRUE;
    case TVT_UINT8:
        out = GetByte();
        return TRUE;
    case TVT_INT16:
        out = Load<SHORT>();
        return TRUE;
    case TVT_UINT16:
        out = GetWord();
        return TRUE;
    default:
        if (!IsLong32Type(m_nType))
            return FALSE;
        out = GetLong();
        return TRUE;
    }
}

BOOL CTaggedValue::CopyByte(BYTE& out) const
{
    LONG value;
    if (!CopyLong(value))
        return FALSE;
    out = static_cast<BYTE>(value);
    return TRUE;
}

BOOL CTaggedValue::CopyWord(WORD& out) const
{
    LONG value;
    if (!CopyLong(value))
        return FALSE;
    out = static_cast<WORD>(value);
    return TRUE;
}

BOOL CTaggedValue::CopyRect(CGfxRect& out) const
{
    if (m_nType != TVT_RECT)
        return FALSE;
    out = *AsRect();
    return TRUE;
}

BOOL CTaggedValue::CopyString(CGfxString& out) const
{
    if (m_nType != TVT_STRING)
        return FALSE;
    out = *AsString();
    return TRUE;
}

const CGfxSize* CTaggedValue::AsSize() const
{
    return m_nType == TVT_SIZE ? Owned<CGfxSize>() : nullptr;
}

const CGfxRect* CTaggedValue::AsRect() const
{
    return m_nType == TVT_RECT ? Owned<CGfxRect>() : nullptr;
}

const CGfxPoint* CTaggedValue::AsPoint() const
{
    return m_nType == TVT_POINT ? Owned<CGfxPoint>() : nullptr;
}

const CGfxString* CTaggedValue::AsString() const
{
    return m_nType == TVT_STRING ? Owned<CGfxString>() : nullptr;
}

const CIntPair* CTaggedValue::AsIntPair() const
{
    return m_nType == TVT_INT_PAIR ? Owned<CIntPair>() : nullptr;
}

const CRGBColor* CTaggedValue::AsRGBColor() const
{
    return m_nType == TVT_RGB_COLOR ? Owned<CRGBColor>() : nullptr;
}

const CHSLColor* CTaggedValue::AsHSLColor() const
{
    return m_nType == TVT_HSL_COLOR ? Owned<CHSLColor>() : nullptr;
}

const CGrayColor* CTaggedValue::AsGrayColor() const
{
    return m_nType == TVT_GRAY_COLOR ? Owned<CGrayColor>() : nullptr;
}

const CDoubleTriple* CTaggedValue::AsDoubleTriple() const
{
    return m_nType == TVT_TRIPLE_50 || m_nType == TVT_TRIPLE_51 ? Owned<CDoubleTriple>() : nullptr;
}

const BYTE* CTaggedValue::GetBlobData() const
{
    return IsBlobType(m_nType) ? Owned<BYTE>() : nullptr;
}

BOOL CTaggedValue::IsStorableType(DWORD type)
{
    if (type == TVT_EMPTY || IsIntegerType(type))
        return TRUE;
    switch (type) {
    case TVT_FLOAT:
    case TVT_DOUBLE:
    case TVT_QUAD:
    case TVT_SIZE:
    case TVT_RECT:
    case TVT_POINT:
    case TVT_INT_PAIR:
    case TVT_RGB_COLOR:
    case TVT_GRAY_COLOR:
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CTaggedValue::StorePayload(BYTE (&out)[kPayloadSize]) const
{
    std::memset(out, 0, sizeof out);
    switch (m_nType) {
    case TVT_EMPTY:
        return TRUE;
    case TVT_INT8:
    case TVT_UINT8:
        PutLE8(out, GetByte());
        return TRUE;
    case TVT_INT16:
    case TVT_UINT16:
        PutLE16(out, GetWord());
        return TRUE;
    case TVT_FLOAT:
        PutLEFloat(out, GetFloat());
        return TRUE;
    case TVT_DOUBLE:
        PutLEDouble(out, GetDouble());
        return TRUE;
    case TVT_QUAD:
        for (DWORD i = 0; i < 4; ++i) {
            DWORD word;
            std::memcpy(&word, m_payload + 4 * i, sizeof word);
            PutLE32(out + 4 * i, word);
        }
        return TRUE;
    case TVT_SIZE:
        PutLE32(out, static_cast<DWORD>(AsSize()->cx));
        PutLE32(out + 4, static_cast<DWORD>(AsSize()->cy));
        return TRUE;
    case TVT_RECT: {
        const CGfxRect& rect = *AsRect();
        PutLE32(out, static_cast<DWORD>(rect.left));
        PutLE32(out + 4, static_cast<DWORD>(rect.top));
        PutLE32(out + 8, static_cast<DWORD>(rect.right));
        PutLE32(out + 12, static_cast<DWORD>(rect.bottom));
        return TRUE;
    }
    case TVT_POINT:
        PutLE32(out, static_cast<DWORD>(AsPoint()->x));
        PutLE32(out + 4, static_cast<DWORD>(AsPoint()->y));
        return TRUE;
    case TVT_INT_PAIR:
        PutLE32(out, static_cast<DWORD>(AsIntPair()->m_nFirst));
        PutLE32(out + 4, static_cast<DWORD>(AsIntPair()->m_nSecond));
        return TRUE;
    case TVT_RGB_COLOR:
        PutLE8(out, AsRGBColor()->m_r);
        PutLE8(out + 1, AsRGBColor()->m_g);
        PutLE8(out + 2, AsRGBColor()->m_b);
        return TRUE;
    case TVT_GRAY_COLOR:
        PutLE8(out, AsGrayColor()->m_nLevel);
        return TRUE;
    default:
        if (IsLong32Type(m_nType)) {
            PutLE32(out, static_cast<DWORD>(GetLong()));
            return TRUE;
        }
        return FALSE;
    }
}

BOOL CTaggedValue::LoadPayload(DWORD type, const BYTE (&in)[kPayloadSize])
{
    auto signed32 = [&in](int offset) { return static_cast<LONG>(GetLE32(in + offset)); };
    switch (type) {
    case TVT_EMPTY:
        Reset();
        return TRUE;
    case TVT_INT8:
        return SetInt8(static_cast<INT8>(GetLE8(in)));
    case TVT_UINT8:
        return SetUInt8(GetLE8(in));
    case TVT_INT16:
        return SetInt16(static_cast<SHORT>(GetLE16(in)));
    case TVT_UINT16:
        return SetUInt16(GetLE16(in));
    case TVT_FLOAT:
        return SetFloat(GetLEFloat(in));
    case TVT_DOUBLE:
        return SetDouble(GetLEDouble(in));
    case TVT_QUAD:
        return SetQuad(GetLE32(in), GetLE32(in + 4), GetLE32(in + 8), GetLE32(in + 12));
    case TVT_SIZE:
        return SetSize(CGfxSize(signed32(0), signed32(4)));
    case TVT_RECT:
        return SetRect(CGfxRect(signed32(0), signed32(4), signed32(8), signed32(12)));
    case TVT_POINT:
        return SetPoint(CGfxPoint(signed32(0), signed32(4)));
    case TVT_INT_PAIR:
        return SetIntPair(CIntPair(signed32(0), signed32(4)));
    case TVT_RGB_COLOR:
        return SetRGBColor(CRGBColor(GetLE8(in), GetLE8(in + 1), GetLE8(in + 2)));
    case TVT_GRAY_COLOR:
        return SetGrayColor(CGrayColor(GetLE8(in)));
    default:
        if (IsLong32Type(type))
            return SetLong(signed32(0), type);
        Reset();
        return FALSE;
    }
}
