#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Mfc/Mfc.h"

namespace {

using IntArray = CArray<int, int>;
using IntList = CList<int, int>;

void FillArray(IntArray& array, const std::vector<int>& values)
{
    array.RemoveAll();
    for (int v : values)
        array.Add(v);
}

std::vector<int> Contents(const IntArray& array)
{
    return std::vector<int>(array.GetData(), array.GetData() + array.GetSize());
}

void FillList(IntList& list, const std::vector<int>& values)
{
    list.RemoveAll();
    for (int v : values)
        list.AddTail(v);
}

std::vector<int> Forward(const IntList& list)
{
    std::vector<int> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos));
    return out;
}

// Walking backwards checks the links the forward walk does not use.
std::vector<int> Backward(const IntList& list)
{
    std::vector<int> out;
    for (POSITION pos = list.GetTailPosition(); pos;)
        out.insert(out.begin(), list.GetPrev(pos));
    return out;
}

} // namespace

TEST(MfcCollections, ArrayInsertAndRemoveShiftElements)
{
    struct Case {
        const char* name;
        std::function<void(IntArray&)> op;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {"insert at start", [](IntArray& a) { a.InsertAt(0, 9); }, {9, 0, 1, 2, 3, 4}},
        {"insert at end", [](IntArray& a) { a.InsertAt(5, 9); }, {0, 1, 2, 3, 4, 9}},
        {"insert several", [](IntArray& a) { a.InsertAt(2, 9, 3); }, {0, 1, 9, 9, 9, 2, 3, 4}},
        {"insert past end grows", [](IntArray& a) { a.InsertAt(7, 9); }, {0, 1, 2, 3, 4, 0, 0, 9}},
        {"insert own element", [](IntArray& a) { a.InsertAt(0, a[4], 2); }, {4, 4, 0, 1, 2, 3, 4}},
        {"insert array",
         [](IntArray& a) {
             IntArray other;
             FillArray(other, {7, 8});
             a.InsertAt(1, &other);
         },
         {0, 7, 8, 1, 2, 3, 4}},
        {"insert itself", [](IntArray& a) { a.InsertAt(2, &a); }, {0, 1, 0, 1, 2, 3, 4, 2, 3, 4}},
        {"remove first", [](IntArray& a) { a.RemoveAt(0); }, {1, 2, 3, 4}},
        {"remove middle run", [](IntArray& a) { a.RemoveAt(1, 3); }, {0, 4}},
        {"remove tail run", [](IntArray& a) { a.RemoveAt(3, 2); }, {0, 1, 2}},
        {"remove none", [](IntArray& a) { a.RemoveAt(2, 0); }, {0, 1, 2, 3, 4}},
        {"append itself", [](IntArray& a) { EXPECT_EQ(a.Append(a), 5); }, {0, 1, 2, 3, 4, 0, 1, 2, 3, 4}},
        {"set at grow", [](IntArray& a) { a.SetAtGrow(6, 9); }, {0, 1, 2, 3, 4, 0, 9}},
        {"shrink", [](IntArray& a) { a.SetSize(2); }, {0, 1}},
        {"shrink and regrow zeroes",
         [](IntArray& a) {
             a.SetSize(2);
             a.SetSize(4);
         },
         {0, 1, 0, 0}},
        {"copy over",
         [](IntArray& a) {
             IntArray other;
             FillArray(other, {5, 6});
             a.Copy(other);
         },
         {5, 6}},
    };
    for (const Case& c : cases) {
        IntArray array;
        FillArray(array, {0, 1, 2, 3, 4});
        c.op(array);
        EXPECT_EQ(Contents(array), c.expected) << c.name;
    }
}

TEST(MfcCollections, ArrayAddReturnsIndexAndKeepsStringsThroughGrowth)
{
    CStringArray strings;
    EXPECT_EQ(strings.Add("first"), 0);
    EXPECT_EQ(strings.GetUpperBound(), 0);
    // Adding an element of the array itself while the storage moves.
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(strings.Add(strings[0]), i + 1);
    EXPECT_EQ(strings.GetSize(), 201);
    for (int i = 0; i < strings.GetSize(); ++i)
        ASSERT_STREQ(strings[i], "first") << i;
    strings.ElementAt(3) = "changed";
    strings.SetAt(4, "set");
    EXPECT_STREQ(strings.GetAt(3), "changed");
    EXPECT_STREQ(strings.GetAt(4), "set");
    strings.FreeExtra();
    EXPECT_STREQ(strings[200], "first");
    strings.RemoveAll();
    EXPECT_EQ(strings.GetSize(), 0);
    EXPECT_EQ(strings.GetData(), nullptr);
}

TEST(MfcCollections, ArraySetSizeHonoursGrowStep)
{
    CDWordArray words;
    words.SetSize(3, 100);
    EXPECT_EQ(words.GetSize(), 3);
    EXPECT_EQ(words[0], 0u);
    DWORD* before = words.GetData();
    for (int i = 0; i < 90; ++i)
        words.Add(static_cast<DWORD>(i));
    EXPECT_EQ(words.GetData(), before); // the first allocation held the step
}

#ifdef NDEBUG
TEST(MfcCollections, ArrayOutOfRangeIsHarmlessInRelease)
{
    IntArray array;
    FillArray(array, {0, 1, 2});
    EXPECT_EQ(array.GetAt(3), 0);
    array.ElementAt(7) = 42; // written into the dummy, not the array
    EXPECT_EQ(array.ElementAt(-1), 0);
    array.SetAt(3, 5);
    array.RemoveAt(2, 5);
    array.InsertAt(-1, 5);
    array.SetSize(-4);
    EXPECT_EQ(Contents(array), (std::vector<int>{0, 1, 2}));
}
#else
TEST(MfcCollectionsDeathTest, ArrayOutOfRangeAssertsInDebug)
{
    IntArray array;
    FillArray(array, {0, 1, 2});
    EXPECT_DEATH(array.GetAt(3), "Assertion failed");
    EXPECT_DEATH(array.RemoveAt(2, 5), "Assertion failed");
}
#endif

TEST(MfcCollections, ListGetNextAdvancesAndEndsAtNull)
{
    IntList list;
    FillList(list, {1, 2, 3});
    POSITION pos = list.GetHeadPosition();
    POSITION second = pos;
    EXPECT_EQ(list.GetNext(pos), 1);
    EXPECT_EQ(list.GetAt(pos), 2);
    EXPECT_EQ(list.GetNext(second), 1);
    EXPECT_EQ(list.GetNext(pos), 2);
    EXPECT_EQ(list.GetNext(pos), 3);
    EXPECT_EQ(pos, nullptr);

    pos = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(pos), 3);
    EXPECT_EQ(list.GetPrev(pos), 2);
    EXPECT_EQ(list.GetPrev(pos), 1);
    EXPECT_EQ(pos, nullptr);

    IntList empty;
    EXPECT_EQ(empty.GetHeadPosition(), nullptr);
    EXPECT_EQ(empty.GetTailPosition(), nullptr);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(MfcCollections, ListEditsKeepBothDirectionsLinked)
{
    struct Case {
        const char* name;
        std::function<void(IntList&)> op;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {"add head", [](IntList& l) { l.AddHead(0); }, {0, 1, 2, 3}},
        {"add tail", [](IntList& l) { l.AddTail(4); }, {1, 2, 3, 4}},
        {"remove head", [](IntList& l) { EXPECT_EQ(l.RemoveHead(), 1); }, {2, 3}},
        {"remove tail", [](IntList& l) { EXPECT_EQ(l.RemoveTail(), 3); }, {1, 2}},
        {"remove middle", [](IntList& l) { l.RemoveAt(l.FindIndex(1)); }, {1, 3}},
        {"remove head by position", [](IntList& l) { l.RemoveAt(l.GetHeadPosition()); }, {2, 3}},
        {"remove tail by position", [](IntList& l) { l.RemoveAt(l.GetTailPosition()); }, {1, 2}},
        {"insert before middle",
         [](IntList& l) {
             POSITION p = l.InsertBefore(l.FindIndex(1), 9);
             EXPECT_EQ(l.GetAt(p), 9);
         },
         {1, 9, 2, 3}},
        {"insert before head", [](IntList& l) { l.InsertBefore(l.GetHeadPosition(), 9); }, {9, 1, 2, 3}},
        {"insert before null", [](IntList& l) { l.InsertBefore(nullptr, 9); }, {9, 1, 2, 3}},
        {"insert after tail",
         [](IntList& l) {
             POSITION p = l.InsertAfter(l.GetTailPosition(), 9);
             EXPECT_EQ(p, l.GetTailPosition());
         },
         {1, 2, 3, 9}},
        {"insert after null", [](IntList& l) { l.InsertAfter(nullptr, 9); }, {1, 2, 3, 9}},
        {"set at", [](IntList& l) { l.SetAt(l.FindIndex(2), 7); }, {1, 2, 7}},
        {"head and tail refs",
         [](IntList& l) {
             l.GetHead() = 5;
             l.GetTail() = 6;
         },
         {5, 2, 6}},
        {"add list at head",
         [](IntList& l) {
             IntList other;
             FillList(other, {7, 8});
             l.AddHead(&other);
         },
         {7, 8, 1, 2, 3}},
        {"add itself at head", [](IntList& l) { l.AddHead(&l); }, {1, 2, 3, 1, 2, 3}},
        {"add itself at tail", [](IntList& l) { l.AddTail(&l); }, {1, 2, 3, 1, 2, 3}},
        {"remove while iterating",
         [](IntList& l) {
             for (POSITION pos = l.GetHeadPosition(); pos;) {
                 POSITION current = pos;
                 if (l.GetNext(pos) % 2 == 1)
                     l.RemoveAt(current);
             }
         },
         {2}},
        {"remove all", [](IntList& l) { l.RemoveAll(); }, {}},
    };
    for (const Case& c : cases) {
        IntList list;
        FillList(list, {1, 2, 3});
        c.op(list);
        EXPECT_EQ(Forward(list), c.expected) << c.name;
        EXPECT_EQ(Backward(list), c.expected) << c.name;
        EXPECT_EQ(list.GetCount(), static_cast<int>(c.expected.size())) << c.name;
    }
}

TEST(MfcCollections, ListFindAndFindIndex)
{
    CStringList list;
    list.AddTail("a");
    list.AddTail("b");
    list.AddTail("a");
    POSITION first = list.Find("a");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, list.GetHeadPosition());
    POSITION second = list.Find("a", first);
    EXPECT_EQ(second, list.GetTailPosition());
    EXPECT_EQ(list.Find("a", second), nullptr);
    EXPECT_EQ(list.Find("A"), nullptr);
    EXPECT_EQ(list.FindIndex(1), list.Find("b"));
    EXPECT_EQ(list.FindIndex(3), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);
}

#ifdef NDEBUG
TEST(MfcCollections, ListMisuseIsHarmlessInRelease)
{
    IntList list;
    EXPECT_EQ(list.RemoveHead(), 0);
    EXPECT_EQ(list.RemoveTail(), 0);
    list.GetHead() = 5;
    POSITION pos = nullptr;
    EXPECT_EQ(list.GetNext(pos), 0);
    EXPECT_EQ(pos, nullptr);
    list.RemoveAt(nullptr);
    list.SetAt(nullptr, 3);
    EXPECT_TRUE(list.IsEmpty());
}
#else
TEST(MfcCollectionsDeathTest, ListMisuseAssertsInDebug)
{
    IntList list;
    EXPECT_DEATH(list.RemoveHead(), "Assertion failed");
}
#endif

TEST(MfcCollections, MapLookupSetAndRemove)
{
    CMapStringToString map;
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
    map.SetAt("Key", "one");
    map["key"] = "two";
    map.SetAt("Key", "three");
    EXPECT_EQ(map.GetCount(), 2);
    CString value;
    ASSERT_TRUE(map.Lookup("Key", value));
    EXPECT_STREQ(value, "three");
    ASSERT_TRUE(map.Lookup("key", value)); // keys compare case-sensitively
    EXPECT_STREQ(value, "two");
    EXPECT_FALSE(map.Lookup("KEY", value));
    EXPECT_STREQ(map["new"], "");
    EXPECT_EQ(map.GetCount(), 3);
    EXPECT_TRUE(map.RemoveKey("Key"));
    EXPECT_FALSE(map.RemoveKey("Key"));
    EXPECT_FALSE(map.Lookup("Key", value));
    map.RemoveAll();
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_FALSE(map.RemoveKey("key"));
}

TEST(MfcCollections, MapIterationVisitsEveryKeyOnceAcrossRehashing)
{
    for (UINT hashSize : {1u, 7u, 17u, 101u}) {
        CMapStringToPtr map;
        map.InitHashTable(hashSize);
        EXPECT_EQ(map.GetHashTableSize(), hashSize);
        for (int i = 0; i < 300; ++i)
            map.SetAt(CString('k', i % 7 + 1) + CString('0' + i % 10) + CString('a' + i / 10),
                      reinterpret_cast<void*>(static_cast<UINT_PTR>(i + 1)));
        map.InitHashTable(hashSize * 3 + 2); // rehashes what is there
        std::map<std::string, int> seen;
        POSITION pos = map.GetStartPosition();
        while (pos) {
            CString key;
            void* value = nullptr;
            map.GetNextAssoc(pos, key, value);
            ++seen[static_cast<LPCSTR>(key)];
            void* found = nullptr;
            EXPECT_TRUE(map.Lookup(key, found));
            EXPECT_EQ(found, value);
        }
        EXPECT_EQ(static_cast<int>(seen.size()), map.GetCount());
        for (const auto& [key, count] : seen)
            EXPECT_EQ(count, 1) << key;
    }
}

TEST(MfcCollections, MapsKeyedByWordAndPointer)
{
    CMapWordToPtr byWord;
    int a = 0, b = 0;
    byWord.SetAt(16, &a);
    byWord.SetAt(32, &b);
    void* found = nullptr;
    ASSERT_TRUE(byWord.Lookup(32, found));
    EXPECT_EQ(found, &b);
    EXPECT_FALSE(byWord.Lookup(48, found));

    CMapPtrToPtr byPointer;
    byPointer[&a] = &b;
    ASSERT_TRUE(byPointer.Lookup(&a, found));
    EXPECT_EQ(found, &b);
    EXPECT_FALSE(byPointer.Lookup(&b, found));
}

TEST(MfcCollections, ConcreteClassesAreObjectsWithMfcClassNames)
{
    CPtrArray ptrArray;
    CDWordArray dwordArray;
    CWordArray wordArray;
    CByteArray byteArray;
    CUIntArray uintArray;
    CStringArray stringArray;
    CObArray obArray;
    CPtrList ptrList(5);
    CObList obList(5);
    CStringList stringList(5);
    CMapStringToPtr stringToPtr;
    CMapStringToString stringToString;
    CMapStringToOb stringToOb;
    CMapPtrToPtr ptrToPtr;
    CMapWordToPtr wordToPtr;
    struct Case {
        const CObject* object;
        const char* name;
        BOOL serializable;
    };
    const Case cases[] = {
        {&ptrArray, "CPtrArray", FALSE},
        {&dwordArray, "CDWordArray", TRUE},
        {&wordArray, "CWordArray", TRUE},
        {&byteArray, "CByteArray", TRUE},
        {&uintArray, "CUIntArray", FALSE},
        {&stringArray, "CStringArray", TRUE},
        {&obArray, "CObArray", TRUE},
        {&ptrList, "CPtrList", FALSE},
        {&obList, "CObList", TRUE},
        {&stringList, "CStringList", TRUE},
        {&stringToPtr, "CMapStringToPtr", FALSE},
        {&stringToString, "CMapStringToString", TRUE},
        {&stringToOb, "CMapStringToOb", TRUE},
        {&ptrToPtr, "CMapPtrToPtr", FALSE},
        {&wordToPtr, "CMapWordToPtr", FALSE},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.object->GetRuntimeClass()->m_lpszClassName, c.name);
        EXPECT_TRUE(c.object->IsKindOf(RUNTIME_CLASS(CObject))) << c.name;
        EXPECT_EQ(c.object->IsSerializable(), c.serializable) << c.name;
    }
}

TEST(MfcCollections, ObjectListFindsByPointer)
{
    CObList list;
    CStringArray first, second;
    list.AddTail(&first);
    POSITION pos = list.AddTail(&second);
    EXPECT_EQ(list.Find(&second), pos);
    EXPECT_EQ(list.GetAt(pos), &second);
    CObList other;
    other.AddTail(&list); // a CObList* adds its elements, as MFC's AddTail(CObList*)
    EXPECT_EQ(other.GetCount(), 2);
}
