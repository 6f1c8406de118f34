#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "Win32/Imaging/TaggedValue.h"

namespace {

using Maker = std::function<CTaggedValue()>;

CTaggedValue LongValue(LONG v, DWORD type = TVT_INT32_7)
{
    CTaggedValue value;
    value.SetLong(v, type);
    return value;
}

CTaggedValue BlobValue(const std::string& bytes, DWORD type = TVT_BLOB_FIRST)
{
    CTaggedValue value;
    value.SetBlob(bytes.data(), static_cast<DWORD>(bytes.size()), type);
    return value;
}

CTaggedValue QuadValue(DWORD a)
{
    CTaggedValue value;
    value.SetQuad(a, 2, 3, 4);
    return value;
}

CTaggedValue TripleValue(double a, DWORD type = TVT_TRIPLE_50)
{
    CTaggedValue value;
    value.SetDoubleTriple(type, CDoubleTriple(a, 0.5, 0.25));
    return value;
}

template <typename Setter>
CTaggedValue Made(Setter set)
{
    CTaggedValue value;
    set(value);
    return value;
}

TEST(TaggedValue, ConstructorsChooseTheirTypes)
{
    EXPECT_EQ(CTaggedValue().GetType(), TVT_EMPTY);
    EXPECT_EQ(CTaggedValue(LONG{5}).GetType(), TVT_INT32_7);
    EXPECT_EQ(CTaggedValue(LONG{5}).GetLong(), 5);

    int object = 0;
    CTaggedValue pointer(static_cast<void*>(&object));
    EXPECT_EQ(pointer.GetType(), TVT_POINTER);
    EXPECT_EQ(pointer.GetPointer(), &object);
    pointer.Reset(); // the object is not owned: nothing is freed
    EXPECT_TRUE(pointer.IsEmpty());

    CGfxRect rect(1, 2, 3, 4);
    CTaggedValue rectValue(rect);
    rect.left = 100;
    EXPECT_EQ(rectValue.GetType(), TVT_RECT);
    EXPECT_EQ(*rectValue.AsRect(), CGfxRect(1, 2, 3, 4));
}

TEST(TaggedValue, StringCopyFollowsTheCapacityRule)
{
    struct Case {
        size_t length;
        INT capacity;
    };
    for (const Case& c : {Case{15, 16}, Case{16, 17}}) {
        CTaggedValue value(CGfxString(std::string(c.length, 'x').c_str()));
        ASSERT_EQ(value.GetType(), TVT_STRING);
        EXPECT_EQ(value.AsString()->GetCapacity(), c.capacity);
        EXPECT_EQ(value.AsString()->GetLength(), static_cast<INT>(c.length));
    }
}

TEST(TaggedValue, EqualityTable)
{
    struct Case {
        const char* name;
        Maker left;
        Maker right;
        bool equal;
    };
    int a = 0, b = 0;
    const Case cases[] = {
        {"empty", [] { return CTaggedValue(); }, [] { return CTaggedValue(); }, true},
        {"same long", [] { return LongValue(5); }, [] { return LongValue(5); }, true},
        {"other long", [] { return LongValue(5); }, [] { return LongValue(6); }, false},
        {"same number, other kind", [] { return LongValue(5, TVT_INT32); }, [] { return LongValue(5); }, false},
        {"int8", [] { return Made([](CTaggedValue& v) { v.SetInt8(-3); }); },
         [] { return Made([](CTaggedValue& v) { v.SetInt8(-3); }); }, true},
        {"uint16", [] { return Made([](CTaggedValue& v) { v.SetUInt16(700); }); },
         [] { return Made([](CTaggedValue& v) { v.SetUInt16(701); }); }, false},
        {"float", [] { return Made([](CTaggedValue& v) { v.SetFloat(0.5f); }); },
         [] { return Made([](CTaggedValue& v) { v.SetFloat(0.5f); }); }, true},
        {"double exact", [] { return Made([](CTaggedValue& v) { v.SetDouble(0.1); }); },
         [] { return Made([](CTaggedValue& v) { v.SetDouble(std::nextafter(0.1, 1.0)); }); }, false},
        {"double nan", [] { return Made([](CTaggedValue& v) { v.SetDouble(std::nan("")); }); },
         [] { return Made([](CTaggedValue& v) { v.SetDouble(std::nan("")); }); }, false},
        {"same pointer", [&a] { return CTaggedValue(static_cast<void*>(&a)); },
         [&a] { return CTaggedValue(static_cast<void*>(&a)); }, true},
        {"other pointer", [&a] { return CTaggedValue(static_cast<void*>(&a)); },
         [&b] { return CTaggedValue(static_cast<void*>(&b)); }, false},
        {"rect", [] { return CTaggedValue(CGfxRect(1, 2, 3, 4)); }, [] { return CTaggedValue(CGfxRect(1, 2, 3, 4)); },
         true},
        {"other rect", [] { return CTaggedValue(CGfxRect(1, 2, 3, 4)); },
         [] { return CTaggedValue(CGfxRect(1, 2, 3, 5)); }, false},
        {"size", [] { return Made([](CTaggedValue& v) { v.SetSize(CGfxSize(4, 3)); }); },
         [] { return Made([](CTaggedValue& v) { v.SetSize(CGfxSize(4, 3)); }); }, true},
        {"point", [] { return Made([](CTaggedValue& v) { v.SetPoint(CGfxPoint(4, 3)); }); },
         [] { return Made([](CTaggedValue& v) { v.SetPoint(CGfxPoint(3, 4)); }); }, false},
        {"pair", [] { return Made([](CTaggedValue& v) { v.SetIntPair(CIntPair(1, 2)); }); },
         [] { return Made([](CTaggedValue& v) { v.SetIntPair(CIntPair(1, 2)); }); }, true},
        {"quad is always changed", [] { return QuadValue(1); }, [] { return QuadValue(1); }, false},
        {"string ignoring case", [] { return CTaggedValue(CGfxString("Clip")); },
         [] { return CTaggedValue(CGfxString("CLIP")); }, true},
        {"empty strings", [] { return CTaggedValue(CGfxString()); }, [] { return CTaggedValue(CGfxString("")); },
         true},
        {"rgb", [] { return Made([](CTaggedValue& v) { v.SetRGBColor(CRGBColor(1, 2, 3)); }); },
         [] { return Made([](CTaggedValue& v) { v.SetRGBColor(CRGBIColor(1, 2, 3, 1)); }); }, true},
        {"gray", [] { return Made([](CTaggedValue& v) { v.SetGrayColor(CGrayColor(7)); }); },
         [] { return Made([](CTaggedValue& v) { v.SetGrayColor(CGrayColor(8)); }); }, false},
        {"hsl by packed colour", [] { return Made([](CTaggedValue& v) { v.SetHSLColor(CHSLColor(0.5, 1, 0.5)); }); },
         [] { return Made([](CTaggedValue& v) { v.SetHSLColor(CHSLColor(0.5000001, 1, 0.5)); }); }, true},
        {"triple within tolerance", [] { return TripleValue(1.0); }, [] { return TripleValue(1.0 + 1e-12); }, true},
        {"triple outside tolerance", [] { return TripleValue(1.0); }, [] { return TripleValue(1.0 + 1e-10); },
         false},
        {"triple kinds", [] { return TripleValue(1.0, TVT_TRIPLE_50); },
         [] { return TripleValue(1.0, TVT_TRIPLE_51); }, false},
        {"blob", [] { return BlobValue("abc"); }, [] { return BlobValue("abc"); }, true},
        {"blob bytes", [] { return BlobValue("abc"); }, [] { return BlobValue("abd"); }, false},
        {"blob kinds", [] { return BlobValue("abc", 60); }, [] { return BlobValue("abc", 61); }, false},
        {"longer right blob", [] { return BlobValue("ab"); }, [] { return BlobValue("abc"); }, false},
        {"shorter right blob", [] { return BlobValue("abc"); }, [] { return BlobValue("ab"); }, false},
    };
    for (const Case& c : cases) {
        CTaggedValue left = c.left();
        CTaggedValue right = c.right();
        EXPECT_EQ(left == right, c.equal) << c.name;
        EXPECT_EQ(left != right, !c.equal) << c.name;
    }
}

TEST(TaggedValue, StringEqualityFollowsTheLeftFlag)
{
    CTaggedValue left(CGfxString("Clip"));
    CTaggedValue right(CGfxString("CLIP"));
    left.AsString()->SetCaseSensitive(TRUE);
    EXPECT_FALSE(left == right);
    EXPECT_TRUE(right == left);
}

TEST(TaggedValue, CopiesOwnTheirObjects)
{
    const std::vector<Maker> makers = {
        [] { return CTaggedValue(CGfxRect(1, 2, 3, 4)); },
        [] { return CTaggedValue(CGfxString("name")); },
        [] { return Made([](CTaggedValue& v) { v.SetSize(CGfxSize(1, 2)); }); },
        [] { return Made([](CTaggedValue& v) { v.SetHSLColor(CHSLColor(0.1, 0.2, 0.3)); }); },
        [] { return TripleValue(2.0, TVT_TRIPLE_51); },
        [] { return BlobValue("\x01\x02\x03", 67); },
    };
    for (const Maker& make : makers) {
        CTaggedValue* source = new CTaggedValue(make());
        CTaggedValue copy(*source);
        CTaggedValue assigned;
        assigned = *source;
        const DWORD type = source->GetType();
        const UINT_PTR sourceWord = source->GetRawWord();
        delete source;
        const CTaggedValue expected = make();
        EXPECT_EQ(copy.GetType(), type);
        EXPECT_NE(copy.GetRawWord(), sourceWord) << type;
        EXPECT_TRUE(copy == expected) << type;
        EXPECT_TRUE(assigned == expected) << type;
        EXPECT_EQ(copy.GetLength(), expected.GetLength());
    }
}

TEST(TaggedValue, SetterOfTheSameTypeKeepsTheHeldObject)
{
    CTaggedValue value(CGfxRect(1, 2, 3, 4));
    const CGfxRect* held = value.AsRect();
    value.SetRect(CGfxRect(5, 6, 7, 8));
    EXPECT_EQ(value.AsRect(), held);
    EXPECT_EQ(*value.AsRect(), CGfxRect(5, 6, 7, 8));

    value.SetString(CGfxString("now a string"));
    EXPECT_EQ(value.GetType(), TVT_STRING);
    EXPECT_EQ(value.AsRect(), nullptr);
    EXPECT_STREQ(value.AsString()->GetString(), "now a string");
}

TEST(TaggedValue, AssignAcrossTypesAndToItself)
{
    CTaggedValue value(CGfxString("text"));
    value.Assign(LongValue(9));
    EXPECT_EQ(value.GetType(), TVT_INT32_7);
    EXPECT_EQ(value.GetLong(), 9);
    value.Assign(BlobValue("xyz", 62));
    EXPECT_EQ(value.GetType(), 62u);
    EXPECT_EQ(value.GetLength(), 3u);
    value.Assign(value);
    EXPECT_EQ(std::memcmp(value.GetBlobData(), "xyz", 3), 0);
    value.Assign(CTaggedValue());
    EXPECT_TRUE(value.IsEmpty());
}

TEST(TaggedValue, BlobSetterRules)
{
    CTaggedValue value = BlobValue("abc");
    value.SetBlob(value.GetBlobData() + 1, 2, 63);
    EXPECT_EQ(value.GetType(), 63u);
    EXPECT_EQ(value.GetLength(), 2u);
    EXPECT_EQ(std::memcmp(value.GetBlobData(), "bc", 2), 0);

    EXPECT_TRUE(value.SetBlob(nullptr, 5));
    EXPECT_TRUE(value.IsEmpty());
    value = BlobValue("abc");
    EXPECT_TRUE(value.SetBlob("abc", 0));
    EXPECT_TRUE(value.IsEmpty());

    value = BlobValue("abc");
    EXPECT_FALSE(value.SetBlob("abc", 3, 59));
    EXPECT_FALSE(value.SetBlob("abc", 3, 68));
    EXPECT_EQ(value.GetType(), TVT_BLOB_FIRST);
}

TEST(TaggedValue, SettersRefuseCodesOfOtherKinds)
{
    CTaggedValue value = LongValue(4);
    EXPECT_FALSE(value.SetLong(1, TVT_FLOAT));
    EXPECT_FALSE(value.SetLong(1, TVT_POINTER));
    EXPECT_FALSE(value.SetDoubleTriple(TVT_RECT, CDoubleTriple()));
    EXPECT_EQ(value.GetType(), TVT_INT32_7);
    EXPECT_EQ(value.GetLong(), 4);
    for (DWORD type : {3u, 6u, 7u, 8u, 20u, 21u, 22u}) {
        EXPECT_TRUE(value.SetLong(-2, type));
        EXPECT_EQ(value.GetType(), type);
        EXPECT_EQ(value.GetLong(), -2);
    }
}

TEST(TaggedValue, CopyOutReaders)
{
    struct Case {
        const char* name;
        Maker make;
        BOOL ok;
        LONG asLong;
        BYTE asByte;
        WORD asWord;
    };
    const Case cases[] = {
        {"int8", [] { return Made([](CTaggedValue& v) { v.SetInt8(-5); }); }, TRUE, -5, 0xFB, 0xFFFB},
        {"uint8", [] { return Made([](CTaggedValue& v) { v.SetUInt8(200); }); }, TRUE, 200, 200, 200},
        {"int16", [] { return Made([](CTaggedValue& v) { v.SetInt16(-300); }); }, TRUE, -300, 0xD4, 0xFED4},
        {"uint16", [] { return Made([](CTaggedValue& v) { v.SetUInt16(65535); }); }, TRUE, 65535, 0xFF, 0xFFFF},
        {"long", [] { return LongValue(0x12345678, TVT_VALUE32_21); }, TRUE, 0x12345678, 0x78, 0x5678},
        {"rect", [] { return CTaggedValue(CGfxRect()); }, FALSE, 0, 0, 0},
        {"double", [] { return Made([](CTaggedValue& v) { v.SetDouble(2.0); }); }, FALSE, 0, 0, 0},
        {"empty", [] { return CTaggedValue(); }, FALSE, 0, 0, 0},
    };
    for (const Case& c : cases) {
        CTaggedValue value = c.make();
        LONG l = 0;
        BYTE b = 0;
        WORD w = 0;
        EXPECT_EQ(value.CopyLong(l), c.ok) << c.name;
        EXPECT_EQ(value.CopyByte(b), c.ok) << c.name;
        EXPECT_EQ(value.CopyWord(w), c.ok) << c.name;
        EXPECT_EQ(l, c.asLong) << c.name;
        EXPECT_EQ(b, c.asByte) << c.name;
        EXPECT_EQ(w, c.asWord) << c.name;
    }

    CGfxRect rect;
    EXPECT_TRUE(CTaggedValue(CGfxRect(1, 2, 3, 4)).CopyRect(rect));
    EXPECT_EQ(rect, CGfxRect(1, 2, 3, 4));
    EXPECT_FALSE(LongValue(1).CopyRect(rect));
    CGfxString text;
    EXPECT_TRUE(CTaggedValue(CGfxString("abc")).CopyString(text));
    EXPECT_STREQ(text.GetString(), "abc");
    EXPECT_FALSE(LongValue(1).CopyString(text));
    EXPECT_EQ(LongValue(1).AsString(), nullptr);
    EXPECT_EQ(LongValue(1).GetPointer(), nullptr);
}

TEST(TaggedValue, StoredPayloadIsLittleEndianValueData)
{
    struct Case {
        const char* name;
        Maker make;
        std::vector<BYTE> bytes;
    };
    const Case cases[] = {
        {"empty", [] { return CTaggedValue(); }, {}},
        {"int8", [] { return Made([](CTaggedValue& v) { v.SetInt8(-2); }); }, {0xFE}},
        {"uint16", [] { return Made([](CTaggedValue& v) { v.SetUInt16(0x1234); }); }, {0x34, 0x12}},
        {"long", [] { return LongValue(-2); }, {0xFE, 0xFF, 0xFF, 0xFF}},
        {"float", [] { return Made([](CTaggedValue& v) { v.SetFloat(1.0f); }); }, {0, 0, 0x80, 0x3F}},
        {"double", [] { return Made([](CTaggedValue& v) { v.SetDouble(1.0); }); }, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
        {"quad", [] { return QuadValue(0x01020304); }, {4, 3, 2, 1, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0}},
        {"size", [] { return Made([](CTaggedValue& v) { v.SetSize(CGfxSize(640, -1)); }); },
         {0x80, 2, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"rect", [] { return CTaggedValue(CGfxRect(0, 0, -1, -1)); },
         {0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"point", [] { return Made([](CTaggedValue& v) { v.SetPoint(CGfxPoint(1, 2)); }); }, {1, 0, 0, 0, 2}},
        {"pair", [] { return Made([](CTaggedValue& v) { v.SetIntPair(CIntPair(3, 4)); }); }, {3, 0, 0, 0, 4}},
        {"rgb", [] { return Made([](CTaggedValue& v) { v.SetRGBColor(CRGBColor(10, 20, 30)); }); }, {10, 20, 30}},
        {"gray", [] { return Made([](CTaggedValue& v) { v.SetGrayColor(CGrayColor(99)); }); }, {99}},
    };
    for (const Case& c : cases) {
        CTaggedValue value = c.make();
        BYTE payload[CTaggedValue::kPayloadSize];
        std::memset(payload, 0xCC, sizeof payload);
        ASSERT_TRUE(value.StorePayload(payload)) << c.name;
        std::vector<BYTE> expected = c.bytes;
        expected.resize(CTaggedValue::kPayloadSize, 0);
        EXPECT_EQ(std::vector<BYTE>(payload, payload + sizeof payload), expected) << c.name;

        CTaggedValue loaded;
        ASSERT_TRUE(loaded.LoadPayload(value.GetType(), payload)) << c.name;
        EXPECT_EQ(loaded.GetType(), value.GetType()) << c.name;
        EXPECT_TRUE(loaded == value || value.GetType() == TVT_QUAD) << c.name;
        BYTE again[CTaggedValue::kPayloadSize];
        loaded.StorePayload(again);
        EXPECT_EQ(std::memcmp(again, payload, sizeof payload), 0) << c.name;
    }
}

TEST(TaggedValue, ValuesWithoutStoredFormAreRefused)
{
    int object = 0;
    const std::vector<Maker> makers = {
        [&object] { return CTaggedValue(static_cast<void*>(&object)); },
        [] { return CTaggedValue(CGfxString("text")); },
        [] { return Made([](CTaggedValue& v) { v.SetHSLColor(CHSLColor(0.1, 0.2, 0.3)); }); },
        [] { return TripleValue(1.0); },
        [] { return BlobValue("abc"); },
    };
    for (const Maker& make : makers) {
        CTaggedValue value = make();
        EXPECT_FALSE(CTaggedValue::IsStorableType(value.GetType())) << value.GetType();
        BYTE payload[CTaggedValue::kPayloadSize];
        EXPECT_FALSE(value.StorePayload(payload)) << value.GetType();
        CTaggedValue loaded = LongValue(1);
        EXPECT_FALSE(loaded.LoadPayload(value.GetType(), payload)) << value.GetType();
        EXPECT_TRUE(loaded.IsEmpty());
    }
    EXPECT_FALSE(CTaggedValue::IsStorableType(11));
    EXPECT_FALSE(CTaggedValue::IsStorableType(99));
}

} // namespace
