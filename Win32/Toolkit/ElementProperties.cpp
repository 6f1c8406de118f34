#include "Win32/Toolkit/ElementProperties.h"

namespace {

enum class Kind { String, Long, Rect, Pointer };

struct StandardProperty {
    INT id;
    Kind kind;
    LONG value; // integer properties only
    INT state;
};

constexpr INT kOnce = CPropertyItem::kOnce;
constexpr INT kFree = CPropertyItem::kFree;

// In the order the list defines them.
constexpr StandardProperty kStandard[] = {
    {ElementProperties::kClassName, Kind::String, 0, kOnce},
    {ElementProperties::kText, Kind::String, 0, kFree},
    {ElementProperties::kReserved1, Kind::Long, 0, kOnce},
    {ElementProperties::kControlId, Kind::Long, 0, kOnce},
    {ElementProperties::kReserved2, Kind::Long, 0, kOnce},
    {ElementProperties::kStyle, Kind::Long, 0, kFree},
    {ElementProperties::kBounds, Kind::Rect, 0, kFree},
    {ElementProperties::kParent, Kind::Pointer, 0, kFree},
    {ElementProperties::kOwner, Kind::Pointer, 0, kFree},
    {ElementProperties::kAutoStart, Kind::Long, 0, kFree},
    {ElementProperties::kReserved3, Kind::Long, 0, kOnce},
    {ElementProperties::kDrag, Kind::Long, 0, kFree},
    {ElementProperties::kFixed, Kind::Long, 1, kFree},
};

CTaggedValue DefaultOf(const StandardProperty& row)
{
    switch (row.kind) {
    case Kind::String:
        return CTaggedValue(CGfxString());
    case Kind::Rect:
        return CTaggedValue(CGfxRect());
    case Kind::Pointer:
        return CTaggedValue(static_cast<void*>(nullptr));
    default:
        return CTaggedValue(row.value);
    }
}

} // namespace

INT ElementProperties::DefineProperties()
{
    for (const StandardProperty& row : kStandard) {
        if (!AddItem(row.id, DefaultOf(row), row.state))
            return -1;
    }
    return 0;
}

BOOL ElementProperties::AddLong(INT id, LONG value, INT state)
{
    return AddItem(id, CTaggedValue(value), state) != nullptr;
}

bool ElementProperties::IsSameKind(const CTaggedValue& current, const CTaggedValue& value)
{
    if (CTaggedValue::IsIntegerType(current.GetType()))
        return CTaggedValue::IsIntegerType(value.GetType()) != FALSE;
    return current.GetType() == value.GetType();
}

INT ElementProperties::SetProperty(INT id, const CTaggedValue& value, BOOL* changed)
{
    if (changed)
        *changed = FALSE;
    const CTaggedValue* current = CPropertyList::GetProperty(id);
    if (current && !IsSameKind(*current, value))
        return kWrongKind;
    return CPropertyList::SetProperty(id, value, changed);
}
