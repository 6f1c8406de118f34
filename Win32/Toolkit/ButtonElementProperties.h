#pragma once
// The property list of the button elements: the standard properties, with
// WS_CHILD | WS_VISIBLE as the default style, and the button's own ids.

#include "Win32/Toolkit/ElementProperties.h"

class ButtonElementProperties : public ElementProperties {
public:
    static constexpr INT kCaption = 0;      // string: the caption given at creation
    static constexpr INT kStateCount = 1;   // 1 push button, 2 two-state button
    static constexpr INT kFocusLook = 2;    // the focus look (BST_FOCUS when read)
    static constexpr INT kChecked = 3;      // BM_SETCHECK; the checked flag of two-state buttons
    static constexpr INT kPushed = 4;       // BM_SETSTATE
    static constexpr INT kAutoRepeat = 5;   // WM_COMMAND repeats while held
    static constexpr INT kRepeatInterval = 6; // milliseconds between repeats

    static constexpr LONG kDefaultStyle = 0x50000000; // WS_CHILD | WS_VISIBLE

    ButtonElementProperties() : ElementProperties(Deferred{}) { ButtonElementProperties::DefineProperties(); }
    INT DefineProperties() override;

protected:
    explicit ButtonElementProperties(Deferred deferred) : ElementProperties(deferred) {}
};
