#include <gtest/gtest.h>

#include <memory>

#include "StoryboardTestItems.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/Transition.h"

namespace {

// Items without material or effect.
std::unique_ptr<StoryboardItem> MakeUnplaced(INT kind)
{
    if (kind == StoryboardItem::kKindScene)
        return std::make_unique<Scene>(static_cast<Material*>(nullptr));
    return std::make_unique<Transition>(nullptr);
}

TEST(StoryboardItem, UnplacedItemsReportZeroTimes)
{
    for (INT kind : {StoryboardItem::kKindScene, StoryboardItem::kKindTransition}) {
        std::unique_ptr<StoryboardItem> item = MakeUnplaced(kind);
        EXPECT_EQ(item->GetStart(), CMediaTime()) << "kind " << kind;
        EXPECT_EQ(item->GetEnd(), CMediaTime()) << "kind " << kind;
    }
}

TEST(StoryboardItem, KindIsTwoForScenesAndThreeForTransitions)
{
    struct Case {
        std::unique_ptr<StoryboardItem> item;
        INT kind;
    };
    Case cases[] = {
        {MakeUnplaced(StoryboardItem::kKindScene), 2},
        {MakeUnplaced(StoryboardItem::kKindTransition), 3},
    };
    for (Case& c : cases) {
        EXPECT_EQ(c.item->GetKind(), c.kind);
        std::unique_ptr<StoryboardItem> clone(c.item->Clone());
        EXPECT_EQ(clone->GetKind(), c.kind);
    }
}

TEST(StoryboardItem, ItemsWithoutContentAreInvalidAndHaveNoLength)
{
    for (INT kind : {StoryboardItem::kKindScene, StoryboardItem::kKindTransition}) {
        std::unique_ptr<StoryboardItem> item = MakeUnplaced(kind);
        EXPECT_FALSE(item->IsValid()) << "kind " << kind;
        EXPECT_EQ(item->GetDuration(), CMediaTime()) << "kind " << kind;
        EXPECT_EQ(item->GetThumbnail(), nullptr) << "kind " << kind;
        EXPECT_FALSE(item->IsSame(item.get())) << "kind " << kind;
    }
}

TEST(StoryboardItem, CloneKeepsTheTimesOfAPlacedItem)
{
    for (INT kind : {StoryboardItem::kKindScene, StoryboardItem::kKindTransition}) {
        std::unique_ptr<StoryboardItem> item = MakeUnplaced(kind);
        item->SetStart(CMediaTime(0, 0, 3));
        item->SetEnd(CMediaTime(0, 0, 8));
        std::unique_ptr<StoryboardItem> clone(item->Clone());
        EXPECT_EQ(clone->GetStart(), CMediaTime(0, 0, 3)) << "kind " << kind;
        // A transition's copy ends its overlap after its start.
        const CMediaTime end = kind == StoryboardItem::kKindScene ? CMediaTime(0, 0, 8) : CMediaTime(0, 0, 3);
        EXPECT_EQ(clone->GetEnd(), end) << "kind " << kind;
    }
}

TEST(StoryboardItem, ThumbnailStaysWithTheItemThatBuiltIt)
{
    auto original = std::unique_ptr<LabelledItem>(MakeItem("S0", 4.0));
    MediaFrame* thumbnail = original->GetThumbnail();
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_EQ(original->GetThumbnail(), thumbnail);

    std::unique_ptr<StoryboardItem> clone(original->Clone());
    MediaFrame* cloneThumbnail = clone->GetThumbnail();
    ASSERT_NE(cloneThumbnail, nullptr);
    EXPECT_NE(cloneThumbnail, thumbnail);
    // Both items free their own frame when deleted; a shared frame would be
    // freed twice.
}

TEST(StoryboardItem, ItemsAreDeletedThroughTheBase)
{
    const int alive = LabelledItem::s_nAlive;
    {
        std::unique_ptr<StoryboardItem> item(MakeItem("T1", 1.0));
        item->GetThumbnail();
        EXPECT_EQ(LabelledItem::s_nAlive, alive + 1);
    }
    EXPECT_EQ(LabelledItem::s_nAlive, alive);
}

} // namespace
