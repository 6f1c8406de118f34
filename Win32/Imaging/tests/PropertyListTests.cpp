#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "Win32/Imaging/GfxArchive.h"
#include "Win32/Imaging/PropertyList.h"

namespace {

struct Report {
    void* owner;
    INT id;
    CTaggedValue value;
};

// Records every change it is told of, and can react to one.
class RecordingListener : public CPropertyListener {
public:
    void OnPropertyChanged(void* owner, INT id, const CTaggedValue& value) override
    {
        m_reports.push_back({owner, id, CTaggedValue(value)});
        if (m_react)
            m_react(id);
    }

    std::vector<INT> Ids() const
    {
        std::vector<INT> ids;
        for (const Report& r : m_reports)
            ids.push_back(r.id);
        return ids;
    }

    std::vector<Report> m_reports;
    std::function<void(INT)> m_react;
};

CTaggedValue Long(LONG v)
{
    return CTaggedValue(v);
}

CTaggedValue Quad()
{
    CTaggedValue value;
    value.SetQuad(1, 2, 3, 4);
    return value;
}

// Ids 1-3: 32-bit values in states free, once and locked; 4 a string; 5 a
// quad; 6 a rectangle. Defined by DefineProperties, as owners do.
class SixPropertyList : public CPropertyList {
public:
    SixPropertyList() { DefineProperties(); }
    INT DefineProperties() override
    {
        AddItem(1, Long(0), CPropertyItem::kFree);
        AddItem(2, Long(0), CPropertyItem::kOnce);
        AddItem(3, Long(0), CPropertyItem::kLocked);
        AddItem(4, CTaggedValue(CGfxString("Clip")));
        AddItem(5, Quad());
        AddItem(6, CTaggedValue(CGfxRect()));
        return 0;
    }
};

std::shared_ptr<RecordingListener> ListenTo(CPropertyList& list)
{
    auto listener = std::make_shared<RecordingListener>();
    list.AddListener(listener);
    return listener;
}

TEST(PropertyList, UnknownIdIsRefused)
{
    SixPropertyList list;
    auto listener = ListenTo(list);
    BOOL changed = TRUE;
    EXPECT_EQ(list.SetProperty(99, Long(1), &changed), -19);
    EXPECT_FALSE(changed);
    EXPECT_TRUE(listener->m_reports.empty());
    EXPECT_EQ(list.GetProperty(99), nullptr);
}

TEST(PropertyList, SetFollowsTheItemState)
{
    struct Case {
        INT state;
        LONG value;
        INT result;
        BOOL changed;
        size_t reports;
        INT stateAfter;
        INT secondResult; // setting another value afterwards
    };
    const Case cases[] = {
        {CPropertyItem::kFree, 0, 0, FALSE, 0, CPropertyItem::kFree, 0},
        {CPropertyItem::kFree, 5, 0, TRUE, 1, CPropertyItem::kFree, 0},
        {CPropertyItem::kOnce, 0, 0, FALSE, 0, CPropertyItem::kLocked, -18},
        {CPropertyItem::kOnce, 5, 0, TRUE, 1, CPropertyItem::kLocked, -18},
        {CPropertyItem::kLocked, 0, -18, FALSE, 0, CPropertyItem::kLocked, -18},
        {CPropertyItem::kLocked, 5, -18, FALSE, 0, CPropertyItem::kLocked, -18},
    };
    for (const Case& c : cases) {
        CPropertyList list;
        list.AddItem(1, Long(0), c.state);
        auto listener = ListenTo(list);
        BOOL changed = 7;
        EXPECT_EQ(list.SetProperty(1, Long(c.value), &changed), c.result) << c.state << " " << c.value;
        EXPECT_EQ(changed, c.changed) << c.state << " " << c.value;
        EXPECT_EQ(listener->m_reports.size(), c.reports) << c.state << " " << c.value;
        EXPECT_EQ(list.FindItem(1)->m_nState, c.stateAfter) << c.state << " " << c.value;
        EXPECT_EQ(list.GetProperty(1)->GetLong(), c.result == 0 ? c.value : 0);
        EXPECT_EQ(list.SetProperty(1, Long(c.value + 1)), c.secondResult) << c.state << " " << c.value;
    }
}

TEST(PropertyList, ReportCarriesOwnerIdAndNewValue)
{
    SixPropertyList list;
    int owner = 0;
    list.SetOwner(&owner);
    auto listener = ListenTo(list);
    EXPECT_EQ(list.SetProperty(6, CTaggedValue(CGfxRect(1, 2, 3, 4))), 0);
    ASSERT_EQ(listener->m_reports.size(), 1u);
    const Report& report = listener->m_reports[0];
    EXPECT_EQ(report.owner, &owner);
    EXPECT_EQ(report.id, 6);
    ASSERT_NE(report.value.AsRect(), nullptr);
    EXPECT_EQ(*report.value.AsRect(), CGfxRect(1, 2, 3, 4));
    EXPECT_EQ(list.FindItem(6)->m_nFlags, 0);
}

TEST(PropertyList, QuadValueIsReportedOnEverySet)
{
    SixPropertyList list;
    auto listener = ListenTo(list);
    for (int i = 0; i < 2; ++i) {
        BOOL changed = FALSE;
        EXPECT_EQ(list.SetProperty(5, Quad(), &changed), 0);
        EXPECT_TRUE(changed);
    }
    EXPECT_EQ(listener->Ids(), (std::vector<INT>{5, 5}));
}

TEST(PropertyList, StringsDifferingInCaseAreEqualUnlessTheItemIsCaseSensitive)
{
    SixPropertyList list;
    auto listener = ListenTo(list);
    BOOL changed = TRUE;
    EXPECT_EQ(list.SetProperty(4, CTaggedValue(CGfxString("CLIP")), &changed), 0);
    EXPECT_FALSE(changed);

    list.FindItem(4)->AsString()->SetCaseSensitive(TRUE);
    EXPECT_EQ(list.SetProperty(4, CTaggedValue(CGfxString("CLIP")), &changed), 0);
    EXPECT_TRUE(changed);
    EXPECT_EQ(listener->Ids(), std::vector<INT>{4});
    EXPECT_STREQ(list.GetProperty(4)->AsString()->GetString(), "CLIP");
}

TEST(PropertyList, ChangingTheTypeReplacesTheValue)
{
    SixPropertyList list;
    EXPECT_EQ(list.SetProperty(4, Long(3)), 0);
    EXPECT_EQ(list.GetProperty(4)->GetType(), TVT_INT32_7);
    EXPECT_EQ(list.GetProperty(4)->AsString(), nullptr);
}

TEST(PropertyList, EmptyValueIsNotStored)
{
    SixPropertyList list;
    auto listener = ListenTo(list);
    BOOL changed = TRUE;
    EXPECT_EQ(list.SetProperty(1, CTaggedValue(), &changed), -1);
    EXPECT_FALSE(changed);
    EXPECT_TRUE(listener->m_reports.empty());
    EXPECT_FALSE(list.HasAllValues());
}

TEST(PropertyList, HoldCollapsesChangesIntoOneReportWithTheLatestValue)
{
    SixPropertyList list;
    auto listener = ListenTo(list);
    EXPECT_EQ(list.HoldNotifications(TRUE), 1u);
    list.SetProperty(1, Long(5));
    list.SetProperty(1, Long(6));
    EXPECT_TRUE(listener->m_reports.empty());
    EXPECT_EQ(list.FindItem(1)->m_nFlags, 1);

    EXPECT_EQ(list.HoldNotifications(FALSE), 0u);
    ASSERT_EQ(listener->Ids(), std::vector<INT>{1});
    EXPECT_EQ(listener->m_reports[0].value.GetLong(), 6);
    EXPECT_EQ(list.FindItem(1)->m_nFlags, 0);
}

TEST(PropertyList, NestedHoldsReportOnlyAtTheOutermostRelease)
{
    SixPropertyList list;
    auto listener = ListenTo(list);
    EXPECT_EQ(list.HoldNotifications(TRUE), 1u);
    EXPECT_EQ(list.HoldNotifications(TRUE), 2u);
    list.SetProperty(1, Long(5));
    list.SetProperty(6, CTaggedValue(CGfxRect(0, 0, 1, 1)));
    EXPECT_EQ(list.HoldNotifications(FALSE), 1u);
    EXPECT_TRUE(listener->m_reports.empty());
    EXPECT_EQ(list.HoldNotifications(FALSE), 0u);
    EXPECT_EQ(listener->Ids(), (std::vector<INT>{1, 6}));
    EXPECT_EQ(list.HoldNotifications(FALSE), 0u);
    EXPECT_EQ(listener->m_reports.size(), 2u);
}

TEST(PropertyList, ChangesMadeByListenersAreHeldNotNested)
{
    SixPropertyList list;
    auto listener = ListenTo(list);
    listener->m_react = [&list](INT id) {
        if (id == 6)
            list.SetProperty(1, Long(42));
    };
    list.SetProperty(6, CTaggedValue(CGfxRect(0, 0, 1, 1)));
    EXPECT_EQ(listener->Ids(), std::vector<INT>{6});
    EXPECT_EQ(list.GetHoldCount(), 0u);
    EXPECT_EQ(list.FindItem(1)->m_nFlags, 1);

    list.HoldNotifications(TRUE);
    list.HoldNotifications(FALSE);
    EXPECT_EQ(listener->Ids(), (std::vector<INT>{6, 1}));
    EXPECT_EQ(listener->m_reports[1].value.GetLong(), 42);
}

TEST(PropertyList, WithoutListenersChangesStayPending)
{
    SixPropertyList list;
    list.HoldNotifications(TRUE);
    list.SetProperty(1, Long(5));
    list.HoldNotifications(FALSE);
    EXPECT_EQ(list.FindItem(1)->m_nFlags, 1);
    list.ClearPending();
    EXPECT_EQ(list.FindItem(1)->m_nFlags, 0);
}

TEST(PropertyList, ListenersAreCalledInOrderAndRemovedOnce)
{
    SixPropertyList list;
    std::vector<int> order;
    auto first = ListenTo(list);
    auto second = ListenTo(list);
    first->m_react = [&order](INT) { order.push_back(1); };
    second->m_react = [&order](INT) { order.push_back(2); };
    list.SetProperty(1, Long(1));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));

    auto stranger = std::make_shared<RecordingListener>();
    EXPECT_EQ(list.RemoveListener(stranger), -15);
    EXPECT_EQ(list.RemoveListener(first), 0);
    EXPECT_EQ(list.RemoveListener(first), -15);
    EXPECT_EQ(list.RemoveListener(nullptr), -15);
    EXPECT_EQ(list.AddListener(nullptr), -1);
    list.SetProperty(1, Long(2));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 2}));
}

TEST(PropertyList, ListenerRemovingItselfWhileCalledIsSafe)
{
    SixPropertyList list;
    auto listener = ListenTo(list);
    std::weak_ptr<RecordingListener> watch = listener;
    listener->m_react = [&list, &watch](INT) { list.RemoveListener(watch.lock()); };
    listener.reset();
    list.SetProperty(1, Long(1));
    // The list's reference was the last; the listener lived until its call returned.
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(list.GetListenerCount(), 0);
}

TEST(PropertyList, ListHoldsItsListenersAlive)
{
    std::weak_ptr<RecordingListener> watch;
    {
        CPropertyList list;
        auto listener = ListenTo(list);
        watch = listener;
        listener.reset();
        EXPECT_FALSE(watch.expired());
        CPropertyList copy(list);
        EXPECT_EQ(watch.use_count(), 2);
    }
    EXPECT_TRUE(watch.expired());
}

TEST(PropertyList, CopyUnlocksLockedItemsAndSharesListeners)
{
    SixPropertyList list;
    int owner = 0;
    list.SetOwner(&owner);
    list.SetProperty(2, Long(9)); // once -> locked
    auto listener = ListenTo(list);

    CPropertyList copy(list);
    CPropertyList assigned;
    assigned.AddItem(77, Long(1));
    assigned = list;
    for (CPropertyList* c : {&copy, &assigned}) {
        EXPECT_EQ(c->GetItemCount(), 6);
        EXPECT_EQ(c->FindItem(77), nullptr);
        EXPECT_EQ(c->FindItem(2)->m_nState, CPropertyItem::kOnce);
        EXPECT_EQ(c->FindItem(3)->m_nState, CPropertyItem::kOnce);
        EXPECT_EQ(c->GetProperty(2)->GetLong(), 9);
        EXPECT_NE(c->GetProperty(4)->AsString(), list.GetProperty(4)->AsString());
        EXPECT_EQ(c->GetOwner(), &owner);
        EXPECT_EQ(c->GetListenerCount(), 1);
    }
    EXPECT_EQ(list.FindItem(2)->m_nState, CPropertyItem::kLocked);
    copy.SetProperty(1, Long(3));
    EXPECT_EQ(listener->Ids(), std::vector<INT>{1});
}

TEST(PropertyList, FirstItemWithAnIdWins)
{
    CPropertyList list;
    list.AddItem(1, Long(10));
    list.AddItem(1, Long(20));
    EXPECT_EQ(list.GetProperty(1)->GetLong(), 10);
    list.SetProperty(1, Long(11));
    EXPECT_EQ(list.GetProperty(1)->GetLong(), 11);
    EXPECT_TRUE(list.HasAllValues());
}

} // namespace

namespace {

TEST(PropertyList, ItemListInsertAtCopiesBeforeThePosition)
{
    CPropertyItemList items;
    items.Append(CPropertyItem(1, CTaggedValue(LONG{1}), CPropertyItem::kFree));
    items.Append(CPropertyItem(2, CTaggedValue(LONG{2}), CPropertyItem::kFree));
    CPropertyItem locked(9, CTaggedValue(LONG{9}), CPropertyItem::kLocked);

    CPropertyItem* stored = items.InsertAt(locked, 0);
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, &locked);
    EXPECT_EQ(stored->m_nState, CPropertyItem::kOnce);
    EXPECT_EQ(items.InsertAt(locked, -1)->m_nId, 9);
    EXPECT_EQ(items.InsertAt(locked, 9), nullptr);

    std::vector<INT> ids;
    for (INT i = 0; i < items.GetCount(); ++i)
        ids.push_back(items.GetAt(i)->m_nId);
    EXPECT_EQ(ids, (std::vector<INT>{9, 1, 2, 9}));
    EXPECT_EQ(items.Find(2), items.GetAt(2));
    EXPECT_EQ(items.Find(3), nullptr);
}

} // namespace
