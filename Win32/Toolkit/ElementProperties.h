#pragma once
// The standard property list of every element (ids -1 to -13) and the rule
// the element lists share: a value of another kind than the one an id holds
// (text where a number is expected) is refused, never stored and later read
// as another type. Subclasses add their own positive ids in their
// definition step, which calls the base's first.
//
// Write-once properties lock with their first set in a list; copies of a
// list turn locked items back into write-once ones (Part of CPropertyList).

#include "Win32/Imaging/PropertyList.h"

class ElementProperties : public CPropertyList {
public:
    static constexpr INT kClassName = -1;
    static constexpr INT kText = -2;
    static constexpr INT kControlId = -3;
    static constexpr INT kReserved1 = -4;
    static constexpr INT kReserved2 = -5;
    static constexpr INT kStyle = -6;
    static constexpr INT kBounds = -7;
    static constexpr INT kParent = -8;
    static constexpr INT kOwner = -9;
    static constexpr INT kAutoStart = -10;
    static constexpr INT kReserved3 = -11;
    static constexpr INT kDrag = -12;
    static constexpr INT kFixed = -13;

    // The answer for a value whose kind does not fit the id.
    static constexpr INT kWrongKind = -1;

    ElementProperties() { ElementProperties::DefineProperties(); }
    // 0, or -1 as soon as one property cannot be added.
    INT DefineProperties() override;

    // CPropertyList::SetProperty after the kind check: kWrongKind for a
    // value whose kind differs from the one the id holds.
    INT SetProperty(INT id, const CTaggedValue& value, BOOL* changed = nullptr);
    using CPropertyList::GetProperty;

    // Whether `value` may replace `current`: integers by integers, and
    // strings, rectangles and pointers by their own kind.
    static bool IsSameKind(const CTaggedValue& current, const CTaggedValue& value);

protected:
    // For subclasses, whose own constructor runs the whole definition.
    struct Deferred {};
    explicit ElementProperties(Deferred) {}
    // Adds an integer property.
    BOOL AddLong(INT id, LONG value, INT state);
};
