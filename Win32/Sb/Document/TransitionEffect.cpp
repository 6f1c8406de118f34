#include "Win32/Sb/Document/TransitionEffect.h"

#include <array>
#include <new>

#include "Win32/Sb/Document/TransitionRenderers.h"

namespace {

// bitmap id, name string id, id, direction, shape, style, family, icon x, icon y
constexpr std::array<TransitionCatalogRow, TransitionCatalog::kRowCount> kCatalog{{
    {481, 600, 0, 0, 0, 0, 0, 24, 288},
    {482, 601, 1, 0, 0, 0, 1, 0, 288},
    {257, 602, 2, 1, 0, 0, 2, 0, 0},
    {261, 603, 6, 5, 0, 0, 2, 0, 24},
    {263, 604, 8, 3, 0, 0, 2, 48, 24},
    {259, 605, 4, 7, 0, 0, 2, 48, 0},
    {763, 606, 32, 1, 0, 3, 2, 0, 168},
    {764, 607, 33, 5, 0, 3, 2, 48, 168},
    {765, 608, 34, 3, 0, 3, 2, 72, 168},
    {766, 609, 35, 7, 0, 3, 2, 24, 168},
    {767, 610, 36, 1, 0, 4, 2, 0, 192},
    {768, 611, 37, 5, 0, 4, 2, 48, 192},
    {769, 612, 38, 3, 0, 4, 2, 72, 192},
    {770, 613, 39, 7, 0, 4, 2, 24, 192},
    {771, 614, 40, 1, 0, 5, 2, 0, 216},
    {772, 615, 41, 5, 0, 5, 2, 48, 216},
    {773, 616, 42, 3, 0, 5, 2, 72, 216},
    {774, 617, 43, 7, 0, 5, 2, 24, 216},
    {280, 618, 9, 2, 0, 0, 2, 72, 24},
    {262, 619, 7, 4, 0, 0, 2, 24, 24},
    {260, 620, 5, 6, 0, 0, 2, 72, 0},
    {258, 621, 3, 8, 0, 0, 2, 24, 0},
    {264, 622, 11, 7, 0, 0, 3, 24, 48},
    {265, 623, 10, 5, 0, 0, 3, 0, 48},
    {266, 624, 12, 0, 0, 0, 4, 48, 48},
    {267, 625, 13, 0, 0, 0, 5, 72, 48},
    {278, 628, 20, 1, 0, 0, 6, 0, 120},
    {281, 629, 26, 5, 0, 0, 6, 48, 144},
    {277, 626, 21, 7, 0, 0, 6, 24, 120},
    {279, 627, 27, 3, 0, 0, 6, 72, 144},
    {272, 631, 14, 0, 1, 2, 7, 0, 72},
    {273, 633, 29, 0, 2, 2, 7, 24, 96},
    {484, 635, 17, 0, 3, 2, 7, 48, 288},
    {274, 637, 16, 0, 4, 2, 7, 48, 72},
    {759, 630, 28, 0, 1, 1, 7, 0, 96},
    {760, 632, 15, 0, 2, 1, 7, 24, 72},
    {762, 634, 30, 0, 3, 1, 7, 72, 288},
    {761, 636, 31, 0, 4, 1, 7, 48, 96},
    {275, 639, 18, 5, 0, 0, 8, 72, 72},
    {276, 638, 19, 7, 0, 0, 8, 72, 96},
    {271, 640, 23, 6, 0, 1, 9, 72, 120},
    {269, 641, 24, 4, 0, 1, 9, 0, 144},
    {268, 643, 25, 2, 0, 1, 9, 24, 144},
    {270, 642, 22, 8, 0, 1, 9, 48, 120},
    {777, 644, 44, 6, 0, 4, 9, 24, 264},
    {775, 645, 46, 4, 0, 4, 9, 48, 264},
    {776, 647, 47, 2, 0, 4, 9, 72, 264},
    {778, 646, 45, 8, 0, 4, 9, 0, 264},
    {788, 651, 51, 6, 0, 3, 9, 48, 240},
    {790, 650, 49, 4, 0, 3, 9, 24, 240},
    {789, 648, 48, 2, 0, 3, 9, 72, 240},
    {787, 649, 50, 8, 0, 3, 9, 0, 240},
    {1015, 61390, 52, 3, 0, 1, 10, 0, 336},
    {1016, 61391, 53, 7, 0, 1, 10, 72, 336},
    {1017, 61392, 54, 1, 0, 1, 10, 48, 336},
    {1014, 61393, 55, 5, 0, 1, 10, 24, 336},
    {1019, 61394, 56, 3, 0, 2, 10, 0, 312},
    {1020, 61395, 57, 7, 0, 2, 10, 72, 312},
    {1022, 61396, 58, 1, 0, 2, 10, 48, 312},
    {1018, 61397, 59, 5, 0, 2, 10, 24, 312},
}};

constexpr bool EveryIdOnce()
{
    std::array<int, TransitionCatalog::kRowCount> seen{};
    for (const TransitionCatalogRow& row : kCatalog) {
        if (row.m_nId < 0 || row.m_nId >= TransitionCatalog::kRowCount || seen[row.m_nId]++ != 0)
            return false;
    }
    return true;
}
static_assert(EveryIdOnce());

bool IsRow(INT row)
{
    return row >= 0 && row < TransitionCatalog::kRowCount;
}

TransitionEffect* CreateForFamily(INT family, INT row)
{
    switch (family) {
    case 0: return new (std::nothrow) CutTransition(0);
    case 1: return new (std::nothrow) DissolveTransition(1);
    case 2: return new (std::nothrow) WipeTransition(row);
    case 3: return new (std::nothrow) BlindsTransition(row);
    case 4: return new (std::nothrow) ClockTransition(row);
    case 5: return new (std::nothrow) DitherTransition(row);
    case 6: return new (std::nothrow) BarnDoorTransition(row);
    case 7: return new (std::nothrow) IrisTransition(row);
    case 8: return new (std::nothrow) CombTransition(row);
    case 9: return new (std::nothrow) CornerBoxTransition(row);
    case 10: return new (std::nothrow) DoorTransition(row);
    default: return nullptr;
    }
}

} // namespace

const TransitionCatalogRow* TransitionCatalog::GetRow(INT row)
{
    return IsRow(row) ? &kCatalog[row] : nullptr;
}

INT TransitionCatalog::GetBitmapId(INT row)
{
    return IsRow(row) ? kCatalog[row].m_nBitmapId : -1;
}

INT TransitionCatalog::GetNameStringId(INT row)
{
    return IsRow(row) ? kCatalog[row].m_nNameStringId : -1;
}

INT TransitionCatalog::GetId(INT row)
{
    return IsRow(row) ? kCatalog[row].m_nId : -1;
}

INT TransitionCatalog::GetDirection(INT row)
{
    return IsRow(row) ? kCatalog[row].m_nDirection : -1;
}

POINT TransitionCatalog::GetIconPosition(INT id)
{
    for (const TransitionCatalogRow& row : kCatalog) {
        if (row.m_nId == id)
            return POINT{row.m_nIconX, row.m_nIconY};
    }
    return POINT{0, 0};
}

INT TransitionCatalog::FindRow(const TransitionEffect* effect)
{
    if (effect == nullptr)
        return 0;
    const TransitionParams* params = effect->GetParams();
    for (INT row = 0; row < kRowCount; ++row) {
        if (kCatalog[row].m_nId == params->m_nId && kCatalog[row].m_nDirection == params->m_nDirection)
            return row;
    }
    return kRowCount;
}

INT TransitionCatalog::FindRowById(INT id)
{
    if (!IsRow(id))
        return id;
    for (INT row = 0; row < kRowCount; ++row) {
        if (kCatalog[row].m_nId == id)
            return row;
    }
    return kRowCount;
}

TransitionEffect* TransitionCatalog::Create(INT row)
{
    if (!IsRow(row))
        return nullptr;
    return CreateForFamily(kCatalog[row].m_nFamily, row);
}

TransitionEffect* TransitionCatalog::Clone(const TransitionEffect* effect)
{
    if (effect == nullptr)
        return nullptr;
    INT row = FindRow(effect);
    // A record whose direction no longer matches its id still names its
    // kind by the id, as a storyboard file does; falling back to it keeps
    // the copy of a transition from silently losing its effect.
    if (!IsRow(row))
        row = FindRowById(effect->GetParams()->m_nId);
    TransitionEffect* copy = Create(row);
    if (copy == nullptr)
        return nullptr;
    const TransitionParams& from = *effect->GetParams();
    TransitionParams& to = *copy->GetParams();
    to.m_crAColor = from.m_crAColor;
    to.m_bAUseColor = from.m_bAUseColor;
    to.m_fADuration = from.m_fADuration;
    to.m_crBColor = from.m_crBColor;
    to.m_bBUseColor = from.m_bBUseColor;
    to.m_fBDuration = from.m_fBDuration;
    to.m_fOverlapDuration = from.m_fOverlapDuration;
    to.m_nStyle = from.m_nStyle;
    to.m_nSoftness = from.m_nSoftness;
    return copy;
}

TransitionEffect::TransitionEffect(INT row) : m_pParams(new TransitionParams)
{
    ApplyRow(row);
}

TransitionEffect::~TransitionEffect()
{
    delete m_pParams;
}

INT TransitionEffect::ApplyRow(INT row)
{
    if (row >= 1 && row < TransitionCatalog::kRowCount) {
        const TransitionCatalogRow& r = kCatalog[row];
        m_pParams->m_nDirection = r.m_nDirection;
        m_pParams->m_nShape = r.m_nShape;
        m_pParams->m_nStyle = r.m_nStyle;
        m_pParams->m_nFamily = r.m_nFamily;
        m_pParams->m_nId = r.m_nId;
        m_pParams->m_nSoftness = 0;
    }
    return 1;
}

BOOL TransitionEffect::IsSoftEdgeCapable() const
{
    const INT family = m_pParams->m_nFamily;
    const INT style = m_pParams->m_nStyle;
    return !(family == 1 || family == 10 || style == 3 || style == 4 || style == 5);
}

void TransitionEffect::RenderImages(CIplImage*, CIplImage*, CIplImage*, INT, INT, INT, INT, float, INT) {}

void TransitionEffect::DrawFigure(TransitionRaster&, const RECT&, float, RECT*, RECT*) const {}
