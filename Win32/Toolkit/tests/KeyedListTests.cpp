#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "Win32/Imaging/PropertyList.h"
#include "Win32/Toolkit/KeyedList.h"
#include "Win32/Toolkit/PanelElement.h"
#include "Win32/Utils/GfxTypes.h"

namespace {

// An element with fixed bounds and, optionally, a key in property -3; it
// records the hit tests it is asked and its destruction.
class FakeElement : public PanelElement {
public:
    FakeElement(std::optional<LONG> key, const CGfxRect& bounds, std::vector<FakeElement*>* asked, int* destroyed)
        : m_rcBounds(bounds), m_pAsked(asked), m_pDestroyed(destroyed)
    {
        if (key)
            m_props.AddItem(CKeyedList::kKeyProperty, CTaggedValue(*key));
    }
    ~FakeElement() override
    {
        if (m_pDestroyed)
            ++*m_pDestroyed;
    }

    CTaggedValue* GetProperty(INT id) override { return m_props.GetProperty(id); }
    bool IsOwnWindow(const WindowRefBase*) override { return false; }
    bool CreateWindow() override { return false; }
    bool HitTest(const CGfxPoint& point) override
    {
        if (m_pAsked)
            m_pAsked->push_back(this);
        return m_rcBounds.Contains(point) != FALSE;
    }

private:
    CPropertyList m_props;
    CGfxRect m_rcBounds;
    std::vector<FakeElement*>* m_pAsked;
    int* m_pDestroyed;
};

FakeElement* KeyedElement(LONG key, int* destroyed = nullptr)
{
    return new FakeElement(key, CGfxRect(0, 0, 9, 9), nullptr, destroyed);
}

FakeElement* ElementAt(const CGfxRect& bounds, std::vector<FakeElement*>* asked)
{
    return new FakeElement(0, bounds, asked, nullptr);
}

TEST(KeyedList, FindByKeyReturnsTheFirstElementWithTheKey)
{
    CKeyedList list;
    FakeElement* a = KeyedElement(7);
    FakeElement* b = KeyedElement(3);
    FakeElement* c = KeyedElement(7);
    ASSERT_TRUE(list.Add(a));
    ASSERT_TRUE(list.Add(b));
    ASSERT_TRUE(list.Add(c));
    EXPECT_EQ(list.FindByKey(7), a);
    EXPECT_EQ(list.FindByKey(3), b);
    EXPECT_EQ(list.FindByKey(4), nullptr);
}

TEST(KeyedList, FindByKeyOnEmptyListIsNull)
{
    CKeyedList list;
    EXPECT_EQ(list.FindByKey(0), nullptr);
    EXPECT_EQ(list.FindAt(CGfxPoint(0, 0)), nullptr);
}

TEST(KeyedList, ElementWithoutKeyPropertyGetsKeyZero)
{
    CKeyedList list;
    FakeElement* keyless = new FakeElement(std::nullopt, CGfxRect(), nullptr, nullptr);
    ASSERT_TRUE(list.Add(keyless));
    EXPECT_EQ(list.FindByKey(0), keyless);
}

TEST(KeyedList, KeyIsReadWhenTheElementIsAdded)
{
    CKeyedList list;
    FakeElement* a = KeyedElement(5);
    list.Add(a);
    a->GetProperty(CKeyedList::kKeyProperty)->SetLong(6);
    EXPECT_EQ(list.FindByKey(5), a);
    EXPECT_EQ(list.FindByKey(6), nullptr);
}

TEST(KeyedList, FindAtAsksInOrderAndRemembersTheHit)
{
    std::vector<FakeElement*> asked;
    CKeyedList list;
    FakeElement* left = ElementAt(CGfxRect(0, 0, 9, 9), &asked);
    FakeElement* overlapping = ElementAt(CGfxRect(5, 5, 19, 19), &asked);
    FakeElement* right = ElementAt(CGfxRect(20, 0, 29, 9), &asked);
    list.Add(left);
    list.Add(overlapping);
    list.Add(right);

    struct Case {
        CGfxPoint point;
        FakeElement* expected;
        size_t asked;
    };
    const Case cases[] = {
        {CGfxPoint(9, 9), left, 1},          // inclusive edge; the first of two overlapping wins
        {CGfxPoint(15, 15), overlapping, 2},
        {CGfxPoint(29, 9), right, 3},
    };
    for (const Case& c : cases) {
        asked.clear();
        EXPECT_EQ(list.FindAt(c.point), c.expected) << c.point.x << "," << c.point.y;
        EXPECT_EQ(asked.size(), c.asked);
        EXPECT_EQ(list.GetLastHit(), c.expected);
    }

    asked.clear();
    EXPECT_EQ(list.FindAt(CGfxPoint(30, 30)), nullptr);
    EXPECT_EQ(asked, (std::vector<FakeElement*>{left, overlapping, right}));
    EXPECT_EQ(list.GetLastHit(), right);
}

TEST(KeyedList, DeleteAllRunsTheElementDestructors)
{
    int destroyed = 0;
    CKeyedList list;
    list.Add(KeyedElement(1, &destroyed));
    list.Add(KeyedElement(2, &destroyed));
    list.FindAt(CGfxPoint(1, 1));
    ASSERT_NE(list.GetLastHit(), nullptr);

    list.DeleteAll();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetLastHit(), nullptr);
    EXPECT_EQ(list.FindByKey(1), nullptr);

    // The list stays usable, with keys in step with the new elements.
    FakeElement* again = KeyedElement(2, &destroyed);
    list.Add(again);
    EXPECT_EQ(list.FindByKey(2), again);
}

TEST(KeyedList, DestroyingTheListDeletesItsElements)
{
    int destroyed = 0;
    {
        CKeyedList list;
        list.Add(KeyedElement(1, &destroyed));
        list.Add(KeyedElement(1, &destroyed));
        list.Add(KeyedElement(2, &destroyed));
    }
    EXPECT_EQ(destroyed, 3);
}

TEST(KeyedList, NullElementIsRefused)
{
    CKeyedList list;
    EXPECT_FALSE(list.Add(nullptr));
    EXPECT_EQ(list.GetCount(), 0);
}

} // namespace
