#pragma once
// The property list of the slider: the standard properties and four
// integers, all 0 by default.

#include "Win32/Toolkit/ElementProperties.h"

class SliderElementProperties : public ElementProperties {
public:
    static constexpr INT kOrientation = 5; // write-once: 0 horizontal, otherwise vertical
    static constexpr INT kMaximum = 6;
    static constexpr INT kMinimum = 7;
    static constexpr INT kPosition = 8;

    SliderElementProperties() : ElementProperties(Deferred{}) { SliderElementProperties::DefineProperties(); }
    INT DefineProperties() override;
};
