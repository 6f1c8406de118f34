#include "Win32/Toolkit/ButtonElementProperties.h"

namespace {

struct ButtonProperty {
    INT id;
    LONG value;
};

// The integer properties after the caption, all changeable.
constexpr ButtonProperty kButtonProperties[] = {
    {ButtonElementProperties::kStateCount, 1},   {ButtonElementProperties::kFocusLook, 0},
    {ButtonElementProperties::kChecked, 0},      {ButtonElementProperties::kPushed, 0},
    {ButtonElementProperties::kAutoRepeat, 0},   {ButtonElementProperties::kRepeatInterval, 100},
};

} // namespace

INT ButtonElementProperties::DefineProperties()
{
    if (ElementProperties::DefineProperties() != 0)
        return -1;
    CPropertyItem* style = FindItem(kStyle);
    if (!style || !style->SetLong(kDefaultStyle))
        return -1;
    if (!AddItem(kCaption, CTaggedValue(CGfxString()), CPropertyItem::kFree))
        return -1;
    for (const ButtonProperty& row : kButtonProperties)
        if (!AddLong(row.id, row.value, CPropertyItem::kFree))
            return -1;
    return 0;
}
