#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "Win32/Imaging/GfxArchive.h"
#include "Win32/Imaging/PropertyList.h"

namespace {

// A file that takes and gives nothing, as a full disk or a broken stream.
class FailingFile : public CGfxArchiveFile {
public:
    DWORD Read(void*, DWORD) override { return 0; }
    DWORD Write(const void*, DWORD) override { return 0; }
    BOOL Seek(LONGLONG) override { return FALSE; }
};

CTaggedValue Made(const std::function<void(CTaggedValue&)>& set)
{
    CTaggedValue value;
    set(value);
    return value;
}

// One item of every type that has a stored form, in all three states and
// with both pending flags.
void AddEveryStorableType(CPropertyList& list)
{
    list.AddItem(0, CTaggedValue(), CPropertyItem::kFree);
    list.AddItem(1, Made([](CTaggedValue& v) { v.SetInt8(-7); }), CPropertyItem::kOnce);
    list.AddItem(2, Made([](CTaggedValue& v) { v.SetInt16(-300); }), CPropertyItem::kLocked);
    list.AddItem(3, Made([](CTaggedValue& v) { v.SetLong(-123456, TVT_INT32); }));
    list.AddItem(4, Made([](CTaggedValue& v) { v.SetUInt8(250); }));
    list.AddItem(5, Made([](CTaggedValue& v) { v.SetUInt16(65000); }));
    list.AddItem(6, Made([](CTaggedValue& v) { v.SetLong(6, TVT_INT32_6); }));
    list.AddItem(7, CTaggedValue(LONG{7}));
    list.AddItem(8, Made([](CTaggedValue& v) { v.SetLong(8, TVT_INT32_8); }));
    list.AddItem(9, Made([](CTaggedValue& v) { v.SetFloat(2.5f); }));
    list.AddItem(10, Made([](CTaggedValue& v) { v.SetDouble(-1.0 / 3.0); }));
    list.AddItem(20, Made([](CTaggedValue& v) { v.SetLong(20, TVT_VALUE32_20); }));
    list.AddItem(21, Made([](CTaggedValue& v) { v.SetLong(21, TVT_VALUE32_21); }));
    list.AddItem(22, Made([](CTaggedValue& v) { v.SetLong(22, TVT_VALUE32_22); }));
    list.AddItem(41, Made([](CTaggedValue& v) { v.SetSize(CGfxSize(720, 576)); }));
    list.AddItem(-42, CTaggedValue(CGfxRect(-1, -2, 719, 575)));
    list.AddItem(43, Made([](CTaggedValue& v) { v.SetPoint(CGfxPoint(-5, 5)); }));
    list.AddItem(44, Made([](CTaggedValue& v) { v.SetQuad(0xDEADBEEF, 1, 2, 0xFFFFFFFF); }));
    list.AddItem(46, Made([](CTaggedValue& v) { v.SetIntPair(CIntPair(INT32_MIN, INT32_MAX)); }));
    list.AddItem(47, Made([](CTaggedValue& v) { v.SetRGBColor(CRGBColor(1, 128, 255)); }));
    list.AddItem(49, Made([](CTaggedValue& v) { v.SetGrayColor(CGrayColor(77)); }));
    list.FindItem(5)->m_nFlags = 1;
}

std::vector<BYTE> Stored(CPropertyList& list, INT* result = nullptr)
{
    CGfxMemoryFile file;
    {
        CGfxArchive archive(file, CGfxArchive::kStore);
        INT r = list.Serialize(archive);
        if (result)
            *result = r;
    }
    return file.GetBytes();
}

INT LoadInto(CPropertyList& list, const std::vector<BYTE>& bytes)
{
    CGfxMemoryFile file(bytes);
    CGfxArchive archive(file, CGfxArchive::kLoad);
    return list.Serialize(archive);
}

// The payload words of a value's stored form, for comparing type-44 values,
// which never compare equal.
std::vector<BYTE> PayloadOf(const CTaggedValue& value)
{
    BYTE payload[CTaggedValue::kPayloadSize];
    value.StorePayload(payload);
    return std::vector<BYTE>(payload, payload + sizeof payload);
}

std::vector<BYTE> Le32(DWORD v)
{
    return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}

TEST(PropertyListSerialize, StoreThenLoadKeepsEveryItem)
{
    CPropertyList original;
    AddEveryStorableType(original);
    INT result = 1;
    std::vector<BYTE> bytes = Stored(original, &result);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(bytes.size(), 4u + 48u * static_cast<size_t>(original.GetItemCount()));

    CPropertyList loaded;
    loaded.AddItem(1000, CTaggedValue(LONG{1}));
    ASSERT_EQ(LoadInto(loaded, bytes), 0);
    ASSERT_EQ(loaded.GetItemCount(), original.GetItemCount());
    EXPECT_EQ(loaded.FindItem(1000), nullptr);
    for (INT id : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 20, 21, 22, 41, -42, 43, 44, 46, 47, 49}) {
        const CPropertyItem* before = original.FindItem(id);
        const CPropertyItem* after = loaded.FindItem(id);
        ASSERT_NE(after, nullptr) << id;
        EXPECT_EQ(after->GetType(), before->GetType()) << id;
        EXPECT_EQ(PayloadOf(*after), PayloadOf(*before)) << id;
        if (before->GetType() != TVT_QUAD) {
            EXPECT_TRUE(*after == *before) << id;
        }
        EXPECT_EQ(after->m_nFlags, before->m_nFlags) << id;
        const INT expectedState = before->m_nState == CPropertyItem::kLocked ? CPropertyItem::kOnce : before->m_nState;
        EXPECT_EQ(after->m_nState, expectedState) << id;
    }
    // Owned values come back as objects of their own.
    EXPECT_EQ(*loaded.GetProperty(-42)->AsRect(), CGfxRect(-1, -2, 719, 575));
    EXPECT_NE(loaded.GetProperty(-42)->AsRect(), original.GetProperty(-42)->AsRect());
    // Stored again, the bytes are those of the original with its locked
    // item unlocked.
    CPropertyList unlocked(original);
    EXPECT_EQ(Stored(loaded), Stored(unlocked));
}

TEST(PropertyListSerialize, RecordBytesAreLittleEndianFields)
{
    CPropertyList list;
    list.AddItem(-5, CTaggedValue(CGfxRect(1, 2, 0x01020304, -1)), CPropertyItem::kLocked);
    list.FindItem(-5)->m_nFlags = 1;
    std::vector<BYTE> expected = Le32(1);
    const std::vector<std::vector<BYTE>> fields = {
        {0, 0, 0, 0, 0, 0, 0, 0}, Le32(42), Le32(0),
        Le32(1), Le32(2), Le32(0x01020304), Le32(0xFFFFFFFF),
        Le32(0xFFFFFFFB), Le32(2), Le32(1), Le32(0),
    };
    for (const auto& field : fields)
        expected.insert(expected.end(), field.begin(), field.end());
    INT result = 1;
    EXPECT_EQ(Stored(list, &result), expected);
    EXPECT_EQ(result, 0);
}

TEST(PropertyListSerialize, ValuesWithoutStoredFormAreRefusedBeforeWriting)
{
    int object = 0;
    const std::vector<CTaggedValue> refused = {
        CTaggedValue(static_cast<void*>(&object)),
        CTaggedValue(CGfxString("name")),
        Made([](CTaggedValue& v) { v.SetHSLColor(CHSLColor(0.5, 1, 0.5)); }),
        Made([](CTaggedValue& v) { v.SetDoubleTriple(TVT_TRIPLE_51, CDoubleTriple(1, 2, 3)); }),
        Made([](CTaggedValue& v) { v.SetBlob("abc", 3, 65); }),
    };
    for (const CTaggedValue& value : refused) {
        CPropertyList list;
        list.AddItem(1, CTaggedValue(LONG{1}));
        list.AddItem(2, value);
        INT result = 0;
        EXPECT_TRUE(Stored(list, &result).empty()) << value.GetType();
        EXPECT_EQ(result, -13) << value.GetType();
    }
}

TEST(PropertyListSerialize, ShortStoreIsReported)
{
    CPropertyList list;
    AddEveryStorableType(list);
    FailingFile file;
    CGfxArchive archive(file, CGfxArchive::kStore, 16);
    EXPECT_EQ(list.Serialize(archive), -4);
}

TEST(PropertyListSerialize, ShortOrBadDataLeavesTheListAlone)
{
    CPropertyList source;
    AddEveryStorableType(source);
    const std::vector<BYTE> good = Stored(source);
    auto truncated = [&good](size_t n) { return std::vector<BYTE>(good.begin(), good.begin() + n); };
    auto patched = [&good](size_t offset, DWORD value) {
        std::vector<BYTE> bytes = good;
        const std::vector<BYTE> le = Le32(value);
        std::copy(le.begin(), le.end(), bytes.begin() + offset);
        return bytes;
    };
    const size_t secondRecord = 4 + 48;
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
        INT result;
    };
    const Case cases[] = {
        {"nothing", {}, -3},
        {"short count", truncated(3), -3},
        {"short record", truncated(4 + 47), -3},
        {"missing records", truncated(good.size() - 48), -3},
        {"count too large", patched(0, 1000), -3},
        {"string record", patched(secondRecord + 8, TVT_STRING), -3},
        {"pointer record", patched(secondRecord + 8, TVT_POINTER), -3},
        {"blob record", patched(secondRecord + 8, 60), -3},
        {"unknown type", patched(secondRecord + 8, 99), -3},
        {"bad state", patched(secondRecord + 36, 3), -3},
    };
    for (const Case& c : cases) {
        CPropertyList list;
        list.AddItem(1000, CTaggedValue(LONG{5}), CPropertyItem::kLocked);
        EXPECT_EQ(LoadInto(list, c.bytes), c.result) << c.name;
        EXPECT_EQ(list.GetItemCount(), 1) << c.name;
        ASSERT_NE(list.GetProperty(1000), nullptr) << c.name;
        EXPECT_EQ(list.GetProperty(1000)->GetLong(), 5) << c.name;
        EXPECT_EQ(list.FindItem(1000)->m_nState, CPropertyItem::kLocked) << c.name;
    }
}

TEST(PropertyListSerialize, EmptyListRoundTrips)
{
    CPropertyList empty;
    EXPECT_EQ(Stored(empty), Le32(0));
    CPropertyList list;
    list.AddItem(1, CTaggedValue(LONG{1}));
    EXPECT_EQ(LoadInto(list, Le32(0)), 0);
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST(PropertyListSerialize, LoadedLockedItemCanBeSetOnceMore)
{
    CPropertyList source;
    source.AddItem(3, CTaggedValue(LONG{1}), CPropertyItem::kLocked);
    CPropertyList loaded;
    ASSERT_EQ(LoadInto(loaded, Stored(source)), 0);
    EXPECT_EQ(loaded.SetProperty(3, CTaggedValue(LONG{2})), 0);
    EXPECT_EQ(loaded.SetProperty(3, CTaggedValue(LONG{3})), -18);
}

TEST(PropertyListSerialize, DiskFileRoundTrip)
{
    testing_support::TempDir dir;
    const std::string path = dir.File("props.bin");
    CPropertyList original;
    AddEveryStorableType(original);
    {
        auto file = CGfxDiskFile::CreateForWriting(path.c_str());
        ASSERT_NE(file, nullptr);
        CGfxArchive archive(*file, CGfxArchive::kStore, 64);
        ASSERT_EQ(original.Serialize(archive), 0);
        ASSERT_TRUE(archive.Close());
        ASSERT_TRUE(file->Commit());
    }
    auto file = CGfxDiskFile::OpenForReading(path.c_str());
    ASSERT_NE(file, nullptr);
    CGfxArchive archive(*file, CGfxArchive::kLoad, 64);
    CPropertyList loaded;
    ASSERT_EQ(loaded.Serialize(archive), 0);
    EXPECT_EQ(loaded.GetItemCount(), original.GetItemCount());
    EXPECT_EQ(*loaded.GetProperty(-42)->AsRect(), *original.GetProperty(-42)->AsRect());
}

} // namespace
