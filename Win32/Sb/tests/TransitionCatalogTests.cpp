#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Document/TransitionRenderers.h"

namespace {

std::unique_ptr<TransitionEffect> CreateEffect(INT row)
{
    return std::unique_ptr<TransitionEffect>(TransitionCatalog::Create(row));
}

// The rows of each family, as the catalogue groups them.
INT FamilyOfRow(INT row)
{
    if (row <= 1)
        return row;
    if (row <= 21)
        return 2;
    if (row <= 23)
        return 3;
    if (row == 24)
        return 4;
    if (row == 25)
        return 5;
    if (row <= 29)
        return 6;
    if (row <= 37)
        return 7;
    if (row <= 39)
        return 8;
    if (row <= 51)
        return 9;
    return 10;
}

TEST(TransitionCatalog, RowsMatchTheTableAtSampledPlaces)
{
    struct Case {
        INT row;
        TransitionCatalogRow expected;
    };
    const Case cases[] = {
        {0, {481, 600, 0, 0, 0, 0, 0, 24, 288}},
        {1, {482, 601, 1, 0, 0, 0, 1, 0, 288}},
        {6, {763, 606, 32, 1, 0, 3, 2, 0, 168}},
        {21, {258, 621, 3, 8, 0, 0, 2, 24, 0}},
        {24, {266, 624, 12, 0, 0, 0, 4, 48, 48}},
        {32, {484, 635, 17, 0, 3, 2, 7, 48, 288}},
        {43, {270, 642, 22, 8, 0, 1, 9, 48, 120}},
        {52, {1015, 61390, 52, 3, 0, 1, 10, 0, 336}},
        {59, {1018, 61397, 59, 5, 0, 2, 10, 24, 312}},
    };
    for (const Case& c : cases) {
        const TransitionCatalogRow* row = TransitionCatalog::GetRow(c.row);
        ASSERT_NE(row, nullptr) << "row " << c.row;
        EXPECT_EQ(row->m_nBitmapId, c.expected.m_nBitmapId) << "row " << c.row;
        EXPECT_EQ(row->m_nNameStringId, c.expected.m_nNameStringId) << "row " << c.row;
        EXPECT_EQ(row->m_nId, c.expected.m_nId) << "row " << c.row;
        EXPECT_EQ(row->m_nDirection, c.expected.m_nDirection) << "row " << c.row;
        EXPECT_EQ(row->m_nShape, c.expected.m_nShape) << "row " << c.row;
        EXPECT_EQ(row->m_nStyle, c.expected.m_nStyle) << "row " << c.row;
        EXPECT_EQ(row->m_nFamily, c.expected.m_nFamily) << "row " << c.row;
        EXPECT_EQ(row->m_nIconX, c.expected.m_nIconX) << "row " << c.row;
        EXPECT_EQ(row->m_nIconY, c.expected.m_nIconY) << "row " << c.row;
        EXPECT_EQ(TransitionCatalog::GetBitmapId(c.row), c.expected.m_nBitmapId);
        EXPECT_EQ(TransitionCatalog::GetNameStringId(c.row), c.expected.m_nNameStringId);
        EXPECT_EQ(TransitionCatalog::GetId(c.row), c.expected.m_nId);
        EXPECT_EQ(TransitionCatalog::GetDirection(c.row), c.expected.m_nDirection);
    }
}

TEST(TransitionCatalog, EveryRowHasItsFamilyAndOnlyTheIrisHasShapes)
{
    for (INT row = 0; row < TransitionCatalog::kRowCount; ++row) {
        const TransitionCatalogRow* r = TransitionCatalog::GetRow(row);
        EXPECT_EQ(r->m_nFamily, FamilyOfRow(row)) << "row " << row;
        EXPECT_EQ(r->m_nShape != 0, r->m_nFamily == 7) << "row " << row;
        EXPECT_GE(r->m_nDirection, 0);
        EXPECT_LE(r->m_nDirection, 8);
        EXPECT_GE(r->m_nStyle, 0);
        EXPECT_LE(r->m_nStyle, 5);
        // Icons sit on the 24-pixel grid of four columns and fifteen rows.
        EXPECT_EQ(r->m_nIconX % 24, 0);
        EXPECT_EQ(r->m_nIconY % 24, 0);
        EXPECT_LT(r->m_nIconX, 4 * 24);
        EXPECT_LT(r->m_nIconY, 15 * 24);
    }
}

TEST(TransitionCatalog, EveryIdAndEveryIconCellBelongsToExactlyOneRow)
{
    std::set<INT> ids;
    std::set<std::pair<INT, INT>> icons;
    for (INT row = 0; row < TransitionCatalog::kRowCount; ++row) {
        const TransitionCatalogRow* r = TransitionCatalog::GetRow(row);
        EXPECT_TRUE(ids.insert(r->m_nId).second) << "id " << r->m_nId;
        EXPECT_TRUE(icons.insert({r->m_nIconX, r->m_nIconY}).second) << "row " << row;
    }
    EXPECT_EQ(ids.size(), 60u);
    for (INT id = 0; id < 60; ++id) {
        const INT row = TransitionCatalog::FindRowById(id);
        ASSERT_LT(row, 60) << "id " << id;
        EXPECT_EQ(TransitionCatalog::GetId(row), id);
    }
}

TEST(TransitionCatalog, LookupsOutsideTheTableGiveMinusOne)
{
    for (INT row : {-1, 60, 1000}) {
        EXPECT_EQ(TransitionCatalog::GetRow(row), nullptr);
        EXPECT_EQ(TransitionCatalog::GetBitmapId(row), -1);
        EXPECT_EQ(TransitionCatalog::GetNameStringId(row), -1);
        EXPECT_EQ(TransitionCatalog::GetId(row), -1);
        EXPECT_EQ(TransitionCatalog::GetDirection(row), -1);
    }
}

TEST(TransitionCatalog, FindRowByIdPassesOtherValuesThrough)
{
    EXPECT_EQ(TransitionCatalog::FindRowById(60), 60);
    EXPECT_EQ(TransitionCatalog::FindRowById(-7), -7);
    EXPECT_EQ(TransitionCatalog::FindRowById(2), 2);
    EXPECT_EQ(TransitionCatalog::FindRowById(6), 3);
    EXPECT_EQ(TransitionCatalog::Create(TransitionCatalog::FindRowById(60)), nullptr);
}

TEST(TransitionCatalog, IconPositionOfAnIdOrOrigin)
{
    const POINT dissolve = TransitionCatalog::GetIconPosition(1);
    EXPECT_EQ(dissolve.x, 0);
    EXPECT_EQ(dissolve.y, 288);
    const POINT door = TransitionCatalog::GetIconPosition(57);
    EXPECT_EQ(door.x, 72);
    EXPECT_EQ(door.y, 312);
    const POINT none = TransitionCatalog::GetIconPosition(60);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 0);
}

TEST(TransitionCatalog, FindRowMatchesIdAndDirection)
{
    EXPECT_EQ(TransitionCatalog::FindRow(nullptr), 0);
    for (INT row = 0; row < TransitionCatalog::kRowCount; ++row) {
        auto effect = CreateEffect(row);
        EXPECT_EQ(TransitionCatalog::FindRow(effect.get()), row);
    }
    auto effect = CreateEffect(2);
    effect->GetParams()->m_nDirection = 8;
    EXPECT_EQ(TransitionCatalog::FindRow(effect.get()), 60);
}

TEST(TransitionCatalog, CreateOutsideTheTableGivesNull)
{
    EXPECT_EQ(TransitionCatalog::Create(60), nullptr);
    EXPECT_EQ(TransitionCatalog::Create(-1), nullptr);
}

TEST(TransitionCatalog, CreateOfRowZeroHoldsTheDefaults)
{
    auto effect = CreateEffect(0);
    ASSERT_NE(effect, nullptr);
    EXPECT_NE(dynamic_cast<CutTransition*>(effect.get()), nullptr);
    const TransitionParams& p = *effect->GetParams();
    EXPECT_EQ(p.m_nFamily, 0);
    EXPECT_EQ(p.m_bAUseColor, 0);
    EXPECT_EQ(p.m_crAColor, 0u);
    EXPECT_EQ(p.m_fADuration, 2.0f);
    EXPECT_EQ(p.m_bBUseColor, 0);
    EXPECT_EQ(p.m_crBColor, 0xFFFFFFu);
    EXPECT_EQ(p.m_fBDuration, 2.0f);
    EXPECT_EQ(p.m_fOverlapDuration, 0.0f);
    EXPECT_EQ(p.m_nDirection, 0);
    EXPECT_EQ(p.m_nShape, 0);
    EXPECT_EQ(p.m_nStyle, 0);
    EXPECT_EQ(p.m_nId, 0);
    EXPECT_EQ(p.m_nSoftness, 0);
}

TEST(TransitionCatalog, CreateBuildsTheSubclassOfTheRowsFamilyWithTheRowApplied)
{
    for (INT row = 1; row < TransitionCatalog::kRowCount; ++row) {
        auto effect = CreateEffect(row);
        ASSERT_NE(effect, nullptr) << "row " << row;
        const TransitionCatalogRow* r = TransitionCatalog::GetRow(row);
        const TransitionParams& p = *effect->GetParams();
        EXPECT_EQ(p.m_nFamily, r->m_nFamily) << "row " << row;
        EXPECT_EQ(effect->GetRendererFamily(), r->m_nFamily);
        EXPECT_EQ(p.m_nId, r->m_nId);
        EXPECT_EQ(p.m_nDirection, r->m_nDirection);
        EXPECT_EQ(p.m_nShape, r->m_nShape);
        EXPECT_EQ(p.m_nStyle, r->m_nStyle);
        EXPECT_EQ(p.m_nSoftness, 0);
        const bool rightClass = [&] {
            switch (r->m_nFamily) {
            case 1: return dynamic_cast<DissolveTransition*>(effect.get()) != nullptr;
            case 2: return dynamic_cast<WipeTransition*>(effect.get()) != nullptr;
            case 3: return dynamic_cast<BlindsTransition*>(effect.get()) != nullptr;
            case 4: return dynamic_cast<ClockTransition*>(effect.get()) != nullptr;
            case 5: return dynamic_cast<DitherTransition*>(effect.get()) != nullptr;
            case 6: return dynamic_cast<BarnDoorTransition*>(effect.get()) != nullptr;
            case 7: return dynamic_cast<IrisTransition*>(effect.get()) != nullptr;
            case 8: return dynamic_cast<CombTransition*>(effect.get()) != nullptr;
            case 9: return dynamic_cast<CornerBoxTransition*>(effect.get()) != nullptr;
            case 10: return dynamic_cast<DoorTransition*>(effect.get()) != nullptr;
            default: return false;
            }
        }();
        EXPECT_TRUE(rightClass) << "row " << row;
    }
}

TEST(TransitionCatalog, ApplyRowChangesNothingForRowZeroOrOutside)
{
    auto effect = CreateEffect(30);
    for (INT row : {0, -1, 60}) {
        EXPECT_EQ(effect->ApplyRow(row), 1);
        EXPECT_EQ(effect->GetParams()->m_nId, 14);
        EXPECT_EQ(effect->GetParams()->m_nShape, 1);
    }
    effect->GetParams()->m_nSoftness = 10;
    effect->ApplyRow(2);
    EXPECT_EQ(effect->GetParams()->m_nId, 2);
    EXPECT_EQ(effect->GetParams()->m_nShape, 0);
    EXPECT_EQ(effect->GetParams()->m_nSoftness, 0);
}

TEST(TransitionCatalog, AccessorsReadAndWriteTheRecord)
{
    auto effect = CreateEffect(2);
    effect->SetADuration(1.5f);
    effect->SetBDuration(3.25f);
    effect->SetOverlapDuration(0.75f);
    effect->SetAUseColor(1);
    effect->SetBUseColor(1);
    EXPECT_EQ(effect->GetADuration(), 1.5f);
    EXPECT_EQ(effect->GetBDuration(), 3.25f);
    EXPECT_EQ(effect->GetOverlapDuration(), 0.75f);
    EXPECT_EQ(effect->GetAUseColor(), 1);
    EXPECT_EQ(effect->GetBUseColor(), 1);
    EXPECT_EQ(effect->GetAColor(), 0u);
    EXPECT_EQ(effect->GetBColor(), 0xFFFFFFu);
}

std::unique_ptr<TransitionEffect> CreateEditedEffect(INT row)
{
    auto effect = CreateEffect(row);
    TransitionParams& p = *effect->GetParams();
    p.m_crAColor = RGB(10, 20, 30);
    p.m_bAUseColor = 1;
    p.m_fADuration = 4.5f;
    p.m_crBColor = RGB(200, 100, 50);
    p.m_bBUseColor = 1;
    p.m_fBDuration = 1.25f;
    p.m_fOverlapDuration = 0.5f;
    p.m_nStyle = 5;
    p.m_nSoftness = 10;
    return effect;
}

TEST(TransitionCatalog, CloneKeepsTheEditedFieldsEvenAStyleOtherThanTheRows)
{
    auto source = CreateEditedEffect(18);
    std::unique_ptr<TransitionEffect> copy(TransitionCatalog::Clone(source.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), source.get());
    EXPECT_NE(copy->GetParams(), source->GetParams());
    EXPECT_NE(dynamic_cast<WipeTransition*>(copy.get()), nullptr);
    const TransitionParams& p = *copy->GetParams();
    EXPECT_EQ(p.m_crAColor, RGB(10, 20, 30));
    EXPECT_EQ(p.m_bAUseColor, 1);
    EXPECT_EQ(p.m_fADuration, 4.5f);
    EXPECT_EQ(p.m_crBColor, RGB(200, 100, 50));
    EXPECT_EQ(p.m_bBUseColor, 1);
    EXPECT_EQ(p.m_fBDuration, 1.25f);
    EXPECT_EQ(p.m_fOverlapDuration, 0.5f);
    EXPECT_EQ(p.m_nStyle, 5);
    EXPECT_EQ(p.m_nSoftness, 10);
    EXPECT_EQ(p.m_nId, 9);
    EXPECT_EQ(p.m_nDirection, 2);
    EXPECT_EQ(p.m_nFamily, 2);
}

TEST(TransitionCatalog, CloneOfNullIsNull)
{
    EXPECT_EQ(TransitionCatalog::Clone(nullptr), nullptr);
}

TEST(TransitionCatalog, CloneOfAnEffectWhoseDirectionNoLongerMatchesFallsBackToItsId)
{
    auto source = CreateEditedEffect(26);
    source->GetParams()->m_nDirection = 8;
    ASSERT_EQ(TransitionCatalog::FindRow(source.get()), 60);
    std::unique_ptr<TransitionEffect> copy(TransitionCatalog::Clone(source.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetParams()->m_nId, 20);
    EXPECT_EQ(copy->GetParams()->m_nDirection, 1);
    EXPECT_EQ(copy->GetParams()->m_fADuration, 4.5f);

    source->GetParams()->m_nId = 60;
    EXPECT_EQ(TransitionCatalog::Clone(source.get()), nullptr);
}

TEST(TransitionCatalog, SoftEdgeIsOfferedExceptForDissolveDoorAndSlidingStyles)
{
    for (INT row = 0; row < TransitionCatalog::kRowCount; ++row) {
        auto effect = CreateEffect(row);
        const bool expected = row == 0 || (row >= 2 && row <= 5) || (row >= 18 && row <= 43);
        EXPECT_EQ(effect->IsSoftEdgeCapable() != FALSE, expected) << "row " << row;
    }
}

} // namespace
