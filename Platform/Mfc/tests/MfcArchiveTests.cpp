#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Mfc/Mfc.h"
#include "tests/support/TempDir.h"

using Bytes = std::vector<BYTE>;

// An item that points at another: objects reached twice must come back as
// one object.
class CArchiveTestItem : public CObject {
    DECLARE_SERIAL(CArchiveTestItem)
public:
    CArchiveTestItem() = default;
    CArchiveTestItem(LONG value, CArchiveTestItem* peer) : m_value(value), m_pPeer(peer) {}
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
            ar << m_value << m_pPeer;
        else
            ar >> m_value >> m_pPeer;
    }
    LONG m_value = 0;
    CArchiveTestItem* m_pPeer = nullptr;
};
IMPLEMENT_SERIAL(CArchiveTestItem, CObject, 1)

// Accepts any stored schema and remembers which one it was given.
class CArchiveTestVersioned : public CObject {
    DECLARE_SERIAL(CArchiveTestVersioned)
public:
    void Serialize(CArchive& ar) override
    {
        if (ar.IsLoading())
            m_loadedSchema = ar.GetObjectSchema();
    }
    UINT m_loadedSchema = 0;
};
IMPLEMENT_SERIAL(CArchiveTestVersioned, CObject, VERSIONABLE_SCHEMA | 3)

class CArchiveTestDynamic : public CObject {
    DECLARE_DYNAMIC(CArchiveTestDynamic)
};
IMPLEMENT_DYNAMIC(CArchiveTestDynamic, CObject)

namespace {

// The bytes an archive writes.
Bytes Stored(const std::function<void(CArchive&)>& store)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        store(ar);
    }
    Bytes out(static_cast<size_t>(file.GetLength()));
    file.SeekToBegin();
    file.Read(out.data(), static_cast<UINT>(out.size()));
    return out;
}

// Loads from `bytes`; the file is named so errors can be checked to name it.
void Loaded(const Bytes& bytes, const std::function<void(CArchive&)>& load)
{
    CMemFile file;
    file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    file.SeekToBegin();
    file.SetFilePath("/docs/story.sbd");
    CArchive ar(&file, CArchive::load);
    load(ar);
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct ArchiveError {
    bool thrown = false;
    int cause = -1;
    std::string fileName;
};

ArchiveError CatchArchiveError(const std::function<void()>& action)
{
    ArchiveError error;
    try {
        action();
    } catch (CArchiveException* e) {
        error = {true, e->m_cause, static_cast<LPCSTR>(e->m_strFileName)};
        e->Delete();
    }
    return error;
}

} // namespace

TEST(MfcArchive, ValuesAreWrittenLittleEndianFieldByField)
{
    struct Case {
        const char* name;
        std::function<void(CArchive&)> store;
        Bytes expected;
        std::function<bool(CArchive&)> loadsBack;
    };
    const std::vector<Case> cases = {
        {"BYTE", [](CArchive& ar) { ar << BYTE{0x12}; }, {0x12},
         [](CArchive& ar) { BYTE v; ar >> v; return v == 0x12; }},
        {"WORD", [](CArchive& ar) { ar << WORD{0x1234}; }, {0x34, 0x12},
         [](CArchive& ar) { WORD v; ar >> v; return v == 0x1234; }},
        {"LONG", [](CArchive& ar) { ar << LONG{-2}; }, {0xFE, 0xFF, 0xFF, 0xFF},
         [](CArchive& ar) { LONG v; ar >> v; return v == -2; }},
        {"int", [](CArchive& ar) { ar << 0x01020304; }, {4, 3, 2, 1},
         [](CArchive& ar) { int v; ar >> v; return v == 0x01020304; }},
        {"DWORD", [](CArchive& ar) { ar << DWORD{0x12345678}; }, {0x78, 0x56, 0x34, 0x12},
         [](CArchive& ar) { DWORD v; ar >> v; return v == 0x12345678; }},
        {"UINT", [](CArchive& ar) { ar << UINT{0xFFFFFFFE}; }, {0xFE, 0xFF, 0xFF, 0xFF},
         [](CArchive& ar) { UINT v; ar >> v; return v == 0xFFFFFFFE; }},
        {"short", [](CArchive& ar) { ar << short{-2}; }, {0xFE, 0xFF},
         [](CArchive& ar) { short v; ar >> v; return v == -2; }},
        {"char", [](CArchive& ar) { ar << 'A'; }, {0x41}, [](CArchive& ar) { char v; ar >> v; return v == 'A'; }},
        {"float", [](CArchive& ar) { ar << 1.5f; }, {0x00, 0x00, 0xC0, 0x3F},
         [](CArchive& ar) { float v; ar >> v; return v == 1.5f; }},
        {"double", [](CArchive& ar) { ar << -1.5; }, {0, 0, 0, 0, 0, 0, 0xF8, 0xBF},
         [](CArchive& ar) { double v; ar >> v; return v == -1.5; }},
        {"LONGLONG", [](CArchive& ar) { ar << LONGLONG{-2}; }, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         [](CArchive& ar) { LONGLONG v; ar >> v; return v == -2; }},
        {"ULONGLONG", [](CArchive& ar) { ar << ULONGLONG{0x0102030405060708}; }, {8, 7, 6, 5, 4, 3, 2, 1},
         [](CArchive& ar) { ULONGLONG v; ar >> v; return v == 0x0102030405060708ull; }},
        {"small count", [](CArchive& ar) { ar.WriteCount(0xFFFE); }, {0xFE, 0xFF},
         [](CArchive& ar) { return ar.ReadCount() == 0xFFFE; }},
        {"large count", [](CArchive& ar) { ar.WriteCount(70000); }, {0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00},
         [](CArchive& ar) { return ar.ReadCount() == 70000; }},
        {"time", [](CArchive& ar) { ar << CTime(0x01020304); }, {4, 3, 2, 1},
         [](CArchive& ar) { CTime v; ar >> v; return v.GetTime() == 0x01020304; }},
        {"negative span", [](CArchive& ar) { ar << CTimeSpan(-2); }, {0xFE, 0xFF, 0xFF, 0xFF},
         [](CArchive& ar) { CTimeSpan v; ar >> v; return v.GetTotalSeconds() == -2; }},
    };
    for (const Case& c : cases) {
        Bytes bytes = Stored(c.store);
        EXPECT_EQ(bytes, c.expected) << c.name;
        bool same = false;
        Loaded(bytes, [&](CArchive& ar) { same = c.loadsBack(ar); });
        EXPECT_TRUE(same) << c.name;
    }
}

TEST(MfcArchive, StringLengthPrefixesFollowMfc)
{
    struct Case {
        size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {3, {0x03}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}}, // 0xFFFE would mark UTF-16
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        std::string text(c.length, 'q');
        for (size_t i = 0; i < c.length; i += 97)
            text[i] = static_cast<char>('a' + i % 26);
        Bytes bytes = Stored([&](CArchive& ar) { ar << CString(text.c_str()); });
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(c.prefix.size())), c.prefix) << c.length;
        CString back;
        Loaded(bytes, [&](CArchive& ar) { ar >> back; });
        EXPECT_EQ(std::string(static_cast<LPCSTR>(back)), text) << c.length;
    }
}

TEST(MfcArchive, Utf16StringsFromUnicodeBuildsAreReadAsUtf8)
{
    // 0xFF and the WORD 0xFFFE mark UTF-16; the length prefix follows.
    struct Case {
        Bytes bytes;
        const char* expected;
    };
    const Case cases[] = {
        {{0xFF, 0xFE, 0xFF, 0x04, 'h', 0x00, 0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE}, "h\xC3\xA9\xF0\x9F\x98\x80"},
        {{0xFF, 0xFE, 0xFF, 0x02, 0x00, 0xD8, 'x', 0x00}, "\xEF\xBF\xBDx"}, // an unpaired surrogate
        {{0xFF, 0xFE, 0xFF, 0x00}, ""},
    };
    for (const Case& c : cases) {
        CString text;
        Loaded(c.bytes, [&](CArchive& ar) { ar >> text; });
        EXPECT_STREQ(text, c.expected);
    }
}

TEST(MfcArchive, ObjectGraphsUseClassTagsAndIndexes)
{
    CArchiveTestItem b(2, nullptr);
    CArchiveTestItem a(1, &b);
    Bytes bytes = Stored([&](CArchive& ar) { ar << &a << &b << static_cast<CObject*>(nullptr); });
    const Bytes expected = Concat({
        {0xFF, 0xFF, 0x01, 0x00, 0x10, 0x00}, // new class, schema 1, name length 16
        Text("CArchiveTestItem"),             // the class takes index 1
        {0x01, 0x00, 0x00, 0x00},             // a (index 2): m_value
        {0x01, 0x80},                         // a.m_pPeer: a known class, 0x8000 | 1
        {0x02, 0x00, 0x00, 0x00},             // b (index 3): m_value
        {0x00, 0x00},                         // b.m_pPeer: null
        {0x03, 0x00},                         // b again: its index
        {0x00, 0x00},                         // null
    });
    EXPECT_EQ(bytes, expected);

    CArchiveTestItem* loadedA = nullptr;
    CArchiveTestItem* loadedB = nullptr;
    CObject* loadedNull = &a;
    Loaded(bytes, [&](CArchive& ar) { ar >> loadedA >> loadedB >> loadedNull; });
    std::unique_ptr<CArchiveTestItem> ownA(loadedA), ownB(loadedB);
    ASSERT_NE(loadedA, nullptr);
    ASSERT_NE(loadedB, nullptr);
    EXPECT_EQ(loadedA->m_value, 1);
    EXPECT_EQ(loadedB->m_value, 2);
    EXPECT_EQ(loadedA->m_pPeer, loadedB); // one object, reached twice
    EXPECT_EQ(loadedB->m_pPeer, nullptr);
    EXPECT_EQ(loadedNull, nullptr);
}

TEST(MfcArchive, CyclesComeBackAsCycles)
{
    CArchiveTestItem a(1, nullptr);
    CArchiveTestItem b(2, &a);
    a.m_pPeer = &b;
    Bytes bytes = Stored([&](CArchive& ar) { ar << &a; });
    CArchiveTestItem* loaded = nullptr;
    Loaded(bytes, [&](CArchive& ar) { ar >> loaded; });
    ASSERT_NE(loaded, nullptr);
    ASSERT_NE(loaded->m_pPeer, nullptr);
    EXPECT_EQ(loaded->m_pPeer->m_pPeer, loaded);
    delete loaded->m_pPeer;
    delete loaded;
}

TEST(MfcArchive, IndexesFrom0x7FFFUseTheLongForm)
{
    // Mapping 0x7FFF objects first pushes the next class and object past the
    // WORD range; both sides must map the same objects.
    std::vector<CArchiveTestItem> padding(0x7FFF);
    CArchiveTestItem item(5, nullptr);
    Bytes bytes = Stored([&](CArchive& ar) {
        for (const CArchiveTestItem& p : padding)
            ar.MapObject(&p);
        ar << &item << &item;
        CArchiveTestItem second(6, nullptr);
        ar << &second;
    });
    // class index 0x8000, item index 0x8001, second index 0x8002
    const Bytes expected = Concat({
        {0xFF, 0xFF, 0x01, 0x00, 0x10, 0x00},
        Text("CArchiveTestItem"),
        {0x05, 0x00, 0x00, 0x00, 0x00, 0x00},
        {0xFF, 0x7F, 0x01, 0x80, 0x00, 0x00},             // item again: 0x7FFF, DWORD 0x8001
        {0xFF, 0x7F, 0x00, 0x80, 0x00, 0x80},             // known class: 0x7FFF, DWORD 0x80008000
        {0x06, 0x00, 0x00, 0x00, 0x00, 0x00},
    });
    EXPECT_EQ(bytes, expected);

    std::vector<CArchiveTestItem> loadPadding(0x7FFF);
    CArchiveTestItem* first = nullptr;
    CArchiveTestItem* again = nullptr;
    CArchiveTestItem* second = nullptr;
    Loaded(bytes, [&](CArchive& ar) {
        for (const CArchiveTestItem& p : loadPadding)
            ar.MapObject(&p);
        ar >> first >> again >> second;
    });
    std::unique_ptr<CArchiveTestItem> ownFirst(first), ownSecond(second);
    EXPECT_EQ(first, again);
    EXPECT_EQ(second->m_value, 6);
}

TEST(MfcArchive, BadClassesSchemasAndIndexesThrow)
{
    CArchiveTestItem item(1, nullptr);
    const Bytes good = Stored([&](CArchive& ar) { ar << &item; });
    Bytes otherSchema = good;
    otherSchema[2] = 0x02;
    Bytes unknownName = good;
    unknownName[6 + 15] = 'X';
    struct Case {
        const char* name;
        Bytes bytes;
        const CRuntimeClass* requested;
        int cause;
    };
    const std::vector<Case> cases = {
        {"schema mismatch", otherSchema, nullptr, CArchiveException::badSchema},
        {"unknown class", unknownName, nullptr, CArchiveException::badClass},
        {"wrong class requested", good, RUNTIME_CLASS(CStringArray), CArchiveException::badClass},
        {"object index never written", {0x05, 0x00}, nullptr, CArchiveException::badIndex},
        {"class index never written", {0x02, 0x80}, nullptr, CArchiveException::badIndex},
        {"not serializable",
         Concat({{0xFF, 0xFF, 0xFF, 0xFF, 0x13, 0x00}, Text("CArchiveTestDynamic")}), nullptr,
         CArchiveException::badClass},
        {"name cut short", Bytes(good.begin(), good.begin() + 12), nullptr, CArchiveException::endOfFile},
    };
    for (const Case& c : cases) {
        ArchiveError error = CatchArchiveError([&] { Loaded(c.bytes, [&](CArchive& ar) { ar.ReadObject(c.requested); }); });
        EXPECT_TRUE(error.thrown) << c.name;
        EXPECT_EQ(error.cause, c.cause) << c.name;
        EXPECT_EQ(error.fileName, "/docs/story.sbd") << c.name;
    }
}

TEST(MfcArchive, VersionableSchemaAcceptsAnyStoredSchema)
{
    CArchiveTestVersioned object;
    Bytes bytes = Stored([&](CArchive& ar) { ar << &object; });
    EXPECT_EQ(bytes[2], 3); // stored without the versionable flag
    bytes[2] = 1;
    CArchiveTestVersioned* loaded = nullptr;
    Loaded(bytes, [&](CArchive& ar) { ar >> loaded; });
    std::unique_ptr<CArchiveTestVersioned> own(loaded);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->m_loadedSchema, 1u);
}

TEST(MfcArchive, StoringAnObjectThatIsNotSerializableThrows)
{
    CArchiveTestDynamic object;
    bool thrown = false;
    try {
        Stored([&](CArchive& ar) { ar << &object; });
    } catch (CNotSupportedException* e) {
        thrown = true;
        e->Delete();
    }
    EXPECT_TRUE(thrown);
}

TEST(MfcArchive, ReadingPastTheEndThrowsEndOfFile)
{
    struct Case {
        const char* name;
        Bytes bytes;
        std::function<void(CArchive&)> load;
    };
    const std::vector<Case> cases = {
        {"LONG from three bytes", {1, 2, 3}, [](CArchive& ar) { LONG v; ar >> v; }},
        {"BYTE from nothing", {}, [](CArchive& ar) { BYTE v; ar >> v; }},
        {"string shorter than its length", {10, 'a', 'b'}, [](CArchive& ar) { CString s; ar >> s; }},
        {"huge string length", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, [](CArchive& ar) { CString s; ar >> s; }},
        {"count cut short", {0xFF, 0xFF, 0x01}, [](CArchive& ar) { ar.ReadCount(); }},
        {"array shorter than its count", {0x00, 0xF0, 1, 0, 0, 0}, [](CArchive& ar) { CDWordArray a; a.Serialize(ar); }},
    };
    for (const Case& c : cases) {
        ArchiveError error = CatchArchiveError([&] { Loaded(c.bytes, c.load); });
        EXPECT_EQ(error.cause, CArchiveException::endOfFile) << c.name;
        EXPECT_EQ(error.fileName, "/docs/story.sbd") << c.name;
    }
}

TEST(MfcArchive, WrongDirectionThrows)
{
    EXPECT_EQ(CatchArchiveError([] { Stored([](CArchive& ar) { LONG v; ar >> v; }); }).cause,
              CArchiveException::writeOnly);
    EXPECT_EQ(CatchArchiveError([] { Loaded({1, 2, 3, 4}, [](CArchive& ar) { ar << LONG{1}; }); }).cause,
              CArchiveException::readOnly);
}

TEST(MfcArchive, CollectionsRoundTrip)
{
    CStringArray strings;
    strings.Add("one");
    strings.Add("");
    strings.Add(CString('x', 300));
    CDWordArray words;
    words.Add(7);
    words.Add(0xFFFFFFFF);
    CMapStringToString map;
    map["k1"] = "v1";
    map["k2"] = "v2";
    CArchiveTestItem shared(9, nullptr);
    CObList objects;
    objects.AddTail(&shared);
    objects.AddTail(&shared);

    Bytes bytes = Stored([&](CArchive& ar) {
        strings.Serialize(ar);
        words.Serialize(ar);
        map.Serialize(ar);
        objects.Serialize(ar);
    });
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), (Bytes{0x03, 0x00, 0x03, 'o', 'n', 'e'}));

    CStringArray strings2;
    CDWordArray words2;
    CMapStringToString map2;
    CObList objects2;
    Loaded(bytes, [&](CArchive& ar) {
        strings2.Serialize(ar);
        words2.Serialize(ar);
        map2.Serialize(ar);
        objects2.Serialize(ar);
    });
    ASSERT_EQ(strings2.GetSize(), 3);
    EXPECT_STREQ(strings2[0], "one");
    EXPECT_STREQ(strings2[1], "");
    EXPECT_EQ(strings2[2].GetLength(), 300);
    ASSERT_EQ(words2.GetSize(), 2);
    EXPECT_EQ(words2[1], 0xFFFFFFFFu);
    CString value;
    EXPECT_TRUE(map2.Lookup("k2", value));
    EXPECT_STREQ(value, "v2");
    ASSERT_EQ(objects2.GetCount(), 2);
    EXPECT_EQ(objects2.GetHead(), objects2.GetTail());
    delete objects2.GetHead();
}

TEST(MfcArchive, ElementsWithoutArchiveOperatorsAreNotWrittenAsMemory)
{
    CPtrArray pointers;
    pointers.Add(&pointers);
    bool thrown = false;
    try {
        Stored([&](CArchive& ar) { pointers.Serialize(ar); });
    } catch (CNotSupportedException* e) {
        thrown = true;
        e->Delete();
    }
    EXPECT_TRUE(thrown);
}

TEST(MfcArchive, ClosingALoadArchiveLeavesTheFileAfterWhatWasRead)
{
    CMemFile file;
    file.Write("\x01\x00\x00\x00\x02\x00\x00\x00", 8);
    file.SeekToBegin();
    CArchive ar(&file, CArchive::load);
    LONG first = 0;
    ar >> first;
    ar.Close();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(file.GetPosition(), 4u);
}

TEST(MfcArchive, LinesAndRawBytes)
{
    Bytes bytes = Stored([](CArchive& ar) {
        ar.WriteString("first\r\nsecond\nthird");
        ar.Write("\x00\x01", 2);
    });
    Loaded(bytes, [](CArchive& ar) {
        CString line;
        EXPECT_TRUE(ar.ReadString(line));
        EXPECT_STREQ(line, "first");
        char buffer[16];
        EXPECT_STREQ(ar.ReadString(buffer, sizeof buffer), "second");
        EXPECT_STREQ(ar.ReadString(buffer, 4), "thi");
        BYTE raw[8] = {};
        EXPECT_EQ(ar.Read(raw, sizeof raw), 4u); // "rd" and two bytes, then the end
        EXPECT_EQ(raw[3], 1);
        EXPECT_FALSE(ar.ReadString(line));
        EXPECT_EQ(ar.ReadString(buffer, sizeof buffer), nullptr);
    });
}

TEST(MfcArchive, LargeWritesAndReadsPassTheBufferOnARealFile)
{
    testing_support::TempDir dir;
    std::string path = dir.File("big.dat");
    std::string big(100000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    std::string text(1000, 'a');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>('a' + i % 26);
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store, 512);
        EXPECT_EQ(ar.GetFile(), &file);
        EXPECT_TRUE(ar.IsStoring());
        ar << LONG{42};
        ar.Write(big.data(), static_cast<UINT>(big.size()));
        ar << CString(text.c_str());
        ar.Close();
    }
    CFile file(path.c_str(), CFile::modeRead);
    CArchive ar(&file, CArchive::load, 512);
    EXPECT_TRUE(ar.IsLoading());
    LONG value = 0;
    ar >> value;
    std::string back(big.size(), '\0');
    EXPECT_EQ(ar.Read(back.data(), static_cast<UINT>(back.size())), big.size());
    EXPECT_EQ(back, big);
    CString tail;
    ar >> tail;
    EXPECT_EQ(value, 42);
    EXPECT_STREQ(tail, text.c_str());
}
