#include "Win32/Toolkit/SliderElementProperties.h"

INT SliderElementProperties::DefineProperties()
{
    if (ElementProperties::DefineProperties() != 0 || !AddLong(kOrientation, 0, CPropertyItem::kOnce) ||
        !AddLong(kMaximum, 0, CPropertyItem::kFree) || !AddLong(kMinimum, 0, CPropertyItem::kFree) ||
        !AddLong(kPosition, 0, CPropertyItem::kFree))
        return -1;
    return 0;
}
