#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Win32/Imaging/GfxArchive.h"
#include "Win32/Imaging/GfxObject.h"
#include "Win32/Imaging/PropertyList.h"

namespace {

// A minimal derived object: two properties, answered through its own
// property list, stored through the list's record.
class TestObject : public CGfxObject {
public:
    TestObject()
    {
        m_props.SetOwner(this);
        m_props.AddItem(0, CTaggedValue(CGfxRect()), CPropertyItem::kOnce);
        m_props.AddItem(1, CTaggedValue(LONG{0}));
    }
    TestObject(const TestObject& other) : CGfxObject(other), m_props(other.m_props) { m_props.SetOwner(this); }

    INT GetTypeCode() const override { return kPlanarImage; }
    bool IsComplete() const override { return m_props.HasAllValues() != FALSE; }
    INT SetProperty(INT id, const CTaggedValue& value, BOOL* changed) override
    {
        return m_props.SetProperty(id, value, changed);
    }
    CTaggedValue* GetProperty(INT id) override { return m_props.GetProperty(id); }
    INT AddListener(const std::shared_ptr<CPropertyListener>& listener) override
    {
        return m_props.AddListener(listener);
    }
    INT RemoveListener(const std::shared_ptr<CPropertyListener>& listener) override
    {
        return m_props.RemoveListener(listener);
    }
    DWORD BeginUpdate() override { return m_props.HoldNotifications(TRUE); }
    bool EndUpdate() override { return m_props.HoldNotifications(FALSE) == 0; }
    INT QueryFlag() const override { return 1; }
    INT Serialize(CGfxArchive& archive) override { return m_props.Serialize(archive); }
    CGfxObject* Clone() const override { return new TestObject(*this); }

private:
    CPropertyList m_props;
};

class CountingListener : public CPropertyListener {
public:
    void OnPropertyChanged(void* owner, INT id, const CTaggedValue&) override
    {
        m_owners.push_back(owner);
        m_ids.push_back(id);
    }
    std::vector<void*> m_owners;
    std::vector<INT> m_ids;
};

TEST(GfxObject, UnknownPropertyIsNullAndRefused)
{
    std::unique_ptr<CGfxObject> object = std::make_unique<TestObject>();
    EXPECT_EQ(object->GetProperty(5), nullptr);
    BOOL changed = TRUE;
    EXPECT_EQ(object->SetProperty(5, CTaggedValue(LONG{1}), &changed), -19);
    EXPECT_FALSE(changed);
    EXPECT_NE(object->GetProperty(1), nullptr);
}

TEST(GfxObject, NestedUpdatesDeliverOnceAtTheOutermostEnd)
{
    TestObject object;
    auto listener = std::make_shared<CountingListener>();
    EXPECT_EQ(object.AddListener(listener), 0);
    EXPECT_EQ(object.BeginUpdate(), 1u);
    EXPECT_EQ(object.BeginUpdate(), 2u);
    object.SetProperty(1, CTaggedValue(LONG{5}), nullptr);
    object.SetProperty(1, CTaggedValue(LONG{6}), nullptr);
    EXPECT_FALSE(object.EndUpdate());
    EXPECT_TRUE(listener->m_ids.empty());
    EXPECT_TRUE(object.EndUpdate());
    EXPECT_EQ(listener->m_ids, std::vector<INT>{1});
    EXPECT_EQ(listener->m_owners, std::vector<void*>{&object});
    EXPECT_EQ(object.RemoveListener(listener), 0);
    EXPECT_EQ(object.RemoveListener(listener), -15);
}

TEST(GfxObject, CloneCarriesPropertiesThroughTheBase)
{
    TestObject object;
    object.SetProperty(0, CTaggedValue(CGfxRect(0, 0, 9, 9)), nullptr);
    std::unique_ptr<CGfxObject> clone(object.Clone());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetTypeCode(), CGfxObject::kPlanarImage);
    EXPECT_EQ(*clone->GetProperty(0)->AsRect(), CGfxRect(0, 0, 9, 9));
    // The write-once area locked in the original arrives settable once more.
    EXPECT_EQ(object.SetProperty(0, CTaggedValue(CGfxRect()), nullptr), -18);
    EXPECT_EQ(clone->SetProperty(0, CTaggedValue(CGfxRect()), nullptr), 0);
}

TEST(GfxObject, SerializeRoundTripsThroughTheArchive)
{
    TestObject object;
    object.SetProperty(1, CTaggedValue(LONG{42}), nullptr);
    CGfxMemoryFile file;
    {
        CGfxArchive archive(file, CGfxArchive::kStore);
        ASSERT_EQ(object.Serialize(archive), 0);
    }
    CGfxMemoryFile input(file.GetBytes());
    CGfxArchive archive(input, CGfxArchive::kLoad);
    TestObject loaded;
    ASSERT_EQ(loaded.Serialize(archive), 0);
    EXPECT_EQ(loaded.GetProperty(1)->GetLong(), 42);
    EXPECT_TRUE(loaded.IsComplete());
}

} // namespace
