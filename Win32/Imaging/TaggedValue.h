#pragma once
// A value whose type travels with it: a 32-bit type code, a byte length (used
// by blobs) and a 16-byte payload. Small values live in the payload; sizes,
// rectangles, points, strings, pairs, colours and triples are owned heap
// copies, blobs owned heap blocks. Objects of the graphics library and the
// windowless UI elements take their configuration as such values
// (PropertyList.h).

#include <utility>

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Imaging/Color.h"
#include "Win32/Utils/GfxTypes.h"

// The type codes. The integer kinds 6-8 and 20-22 and the eight blob codes
// mean what the classes defining the property ids say; all are stored and
// compared alike.
enum TaggedValueType : DWORD {
    TVT_EMPTY = 0,
    TVT_INT8 = 1,
    TVT_INT16 = 2,
    TVT_INT32 = 3,
    TVT_UINT8 = 4,
    TVT_UINT16 = 5,
    TVT_INT32_6 = 6,
    TVT_INT32_7 = 7,
    TVT_INT32_8 = 8,
    TVT_FLOAT = 9,
    TVT_DOUBLE = 10,
    TVT_VALUE32_20 = 20,
    TVT_VALUE32_21 = 21,
    TVT_VALUE32_22 = 22,
    TVT_POINTER = 30,
    TVT_SIZE = 41,
    TVT_RECT = 42,
    TVT_POINT = 43,
    TVT_QUAD = 44,
    TVT_STRING = 45,
    TVT_INT_PAIR = 46,
    TVT_RGB_COLOR = 47,
    TVT_HSL_COLOR = 48,
    TVT_GRAY_COLOR = 49,
    TVT_TRIPLE_50 = 50,
    TVT_TRIPLE_51 = 51,
    TVT_BLOB_FIRST = 60,
    TVT_BLOB_LAST = 67,
};

// The pair of 32-bit integers that type 46 owns.
class CIntPair {
public:
    CIntPair() = default;
    CIntPair(LONG first, LONG second) : m_nFirst(first), m_nSecond(second) {}
    CIntPair(const CIntPair&) = default;
    CIntPair& operator=(const CIntPair&) = default;
    virtual ~CIntPair() = default;

    LONG m_nFirst = 0;
    LONG m_nSecond = 0;
};

// The three doubles that types 50 and 51 own; the type code tells the two
// kinds apart.
class CDoubleTriple {
public:
    CDoubleTriple() = default;
    CDoubleTriple(double a, double b, double c) : m_d{a, b, c} {}
    CDoubleTriple(const CDoubleTriple&) = default;
    CDoubleTriple& operator=(const CDoubleTriple&) = default;
    virtual ~CDoubleTriple() = default;

    double m_d[3] = {0.0, 0.0, 0.0};
};

class CTaggedValue {
public:
    static constexpr DWORD kPayloadSize = 16;

    CTaggedValue() = default;
    // Type 7.
    explicit CTaggedValue(LONG value);
    // Type 30: the pointer is not owned.
    explicit CTaggedValue(void* pointer);
    explicit CTaggedValue(const CGfxRect& rect);
    explicit CTaggedValue(const CGfxString& text);
    CTaggedValue(const CTaggedValue& other);
    CTaggedValue& operator=(const CTaggedValue& other);
    virtual ~CTaggedValue();

    // Frees what the value owns and makes it empty.
    void Reset();

    // Typed setters: each replaces the value. An owned object of the same
    // type is assigned in place; otherwise a heap copy is made. FALSE when
    // memory is short (the value is then empty) or the type code does not
    // suit the setter (the value is then unchanged).
    BOOL SetInt8(INT8 value);
    BOOL SetInt16(SHORT value);
    BOOL SetUInt8(BYTE value);
    BOOL SetUInt16(WORD value);
    // `type` is one of the 32-bit integer kinds: 3, 6-8 or 20-22.
    BOOL SetLong(LONG value, DWORD type = TVT_INT32_7);
    BOOL SetFloat(float value);
    BOOL SetDouble(double value);
    BOOL SetPointer(void* pointer);
    BOOL SetSize(const CGfxSize& size);
    BOOL SetRect(const CGfxRect& rect);
    BOOL SetPoint(const CGfxPoint& point);
    BOOL SetQuad(DWORD a, DWORD b, DWORD c, DWORD d);
    BOOL SetString(const CGfxString& text);
    BOOL SetIntPair(const CIntPair& pair);
    BOOL SetRGBColor(const CRGBColor& color);
    BOOL SetHSLColor(const CHSLColor& color);
    BOOL SetGrayColor(const CGrayColor& color);
    // `type` is 50 or 51.
    BOOL SetDoubleTriple(DWORD type, const CDoubleTriple& triple);
    // A copy of `length` bytes under a blob code (60-67). A null block or a
    // length of 0 leaves the value empty.
    BOOL SetBlob(const void* data, DWORD length, DWORD type = TVT_BLOB_FIRST);

    // Copies `other` with the setter of its type, resetting this value first
    // when it holds another type. FALSE when the copy failed (the value is
    // then empty).
    BOOL Assign(const CTaggedValue& other);

    // Equal when both have the same type code and the type's rule holds:
    // integers, floats and pointers bit for bit, owned objects member by
    // member, strings by CGfxString::IsEqual (this value's string decides
    // the case rule), triples within 1e-11, blobs of the same length and
    // bytes. Type 44 and unknown codes are never equal, so such a value
    // always counts as changed.
    bool operator==(const CTaggedValue& other) const;
    bool operator!=(const CTaggedValue& other) const { return !(*this == other); }

    DWORD GetType() const { return m_nType; }
    DWORD GetLength() const { return m_nLength; }
    BOOL IsEmpty() const { return m_nType == TVT_EMPTY; }
    static BOOL IsBlobType(DWORD type) { return type >= TVT_BLOB_FIRST && type <= TVT_BLOB_LAST; }
    // TRUE for the codes whose payload is a signed or unsigned integer.
    static BOOL IsIntegerType(DWORD type);

    // Raw payload reads, whatever the type: the first pointer-sized word,
    // the first byte, two bytes, four bytes, float and double.
    UINT_PTR GetRawWord() const;
    BYTE GetByte() const;
    WORD GetWord() const;
    LONG GetLong() const;
    float GetFloat() const;
    double GetDouble() const;
    // The pointer of a type-30 value, or null.
    void* GetPointer() const;

    // Copy-out readers: TRUE and the value when this value holds one of that
    // kind, else FALSE with `out` untouched. The integer readers take any
    // integer type (signed types sign-extended) and keep its low bits.
    BOOL CopyLong(LONG& out) const;
    BOOL CopyByte(BYTE& out) const;
    BOOL CopyWord(WORD& out) const;
    BOOL CopyRect(CGfxRect& out) const;
    BOOL CopyString(CGfxString& out) const;

    // The owned object, or null when the value holds another type.
    const CGfxSize* AsSize() const;
    const CGfxRect* AsRect() const;
    const CGfxPoint* AsPoint() const;
    const CGfxString* AsString() const;
    // The held string itself, so its owner can set its case-sensitive flag
    // (copies never carry the flag over).
    CGfxString* AsString() { return const_cast<CGfxString*>(std::as_const(*this).AsString()); }
    const CIntPair* AsIntPair() const;
    const CRGBColor* AsRGBColor() const;
    const CHSLColor* AsHSLColor() const;
    const CGrayColor* AsGrayColor() const;
    const CDoubleTriple* AsDoubleTriple() const;
    // The blob's bytes (GetLength of them), or null.
    const BYTE* GetBlobData() const;

    // The stored form of the payload: the value itself, little-endian, for
    // every type whose data fit 16 bytes (integers, floats, type 44, sizes,
    // rectangles, points, pairs, RGB and grey colours). FALSE for types that
    // cannot be stored that way: pointers, strings, HSL colours, triples and
    // blobs, and unknown codes.
    static BOOL IsStorableType(DWORD type);
    BOOL StorePayload(BYTE (&out)[kPayloadSize]) const;
    // Rebuilds a value of a storable `type` from its stored payload; FALSE
    // (value empty) for other types or when memory is short.
    BOOL LoadPayload(DWORD type, const BYTE (&in)[kPayloadSize]);

private:
    template <typename V>
    V Load() const;
    template <typename V>
    void Store(const V& value);
    template <typename O>
    O* Owned() const;
    template <typename O>
    BOOL SetOwned(DWORD type, const O& value);
    BOOL SetInline(DWORD type, const void* data, size_t size);

    DWORD m_nType = TVT_EMPTY;
    DWORD m_nLength = 0;
    alignas(8) BYTE m_payload[kPayloadSize] = {};
};
