#pragma once
// klToolFourButton: the strip of large captioned buttons at the bottom of
// the effect tool dialogs, in a one-button form (push button 1000) or a
// four-button form (two-state 3038, 3039 and 3040, which act as a radio
// group, and push button 1000). It serves one tool dialog at a time, the
// owner window SetSelection gives it; with none its clicks are ignored. A
// new strip is shown with every button disabled until a dialog selects it.
// UI thread only.

#include <array>

#include "Win32/Toolkit/CtrlPanel.h"

class klToolFourButton : public QKLCtrlPanel {
public:
    static constexpr std::array<ButtonTableRow, 1> kOneButtonRows = {{
        {1000, -1, 1, 90, 4, 70, 22, 0, 1058, 1059, 1060, 1061, 41459},
    }};
    static constexpr std::array<ButtonTableRow, 4> kFourButtonRows = {{
        {3038, -1, 2, 33, 0, 114, 30, 0, 1055, 1054, 1056, 1057, 41460},
        {3039, -1, 2, 147, 0, 114, 30, 0, 1063, 1062, 1064, 1065, 41461},
        {3040, -1, 2, 261, 0, 114, 30, 0, 1067, 1066, 1068, 1069, 41462},
        {1000, -1, 1, 432, 4, 70, 22, 0, 1058, 1059, 1060, 1061, 41459},
    }};
    static constexpr UINT kOneButtonBackground = 1070;
    static constexpr UINT kFourButtonBackground = 1053;

    // `oneButton` non-zero: the one-button form.
    explicit klToolFourButton(INT oneButton);
    ~klToolFourButton() override;

    // 1000, 3038, 3039 and 3040 go to the owner as WM_COMMAND; the three
    // state buttons then check themselves alone.
    bool OnCommand(UINT id, UINT code, void* extra) override;
    bool CreateWindow() override;
    bool OnPaint(CDrawContext* context, const CGfxRect& clip) override;

    // The item (0 to 3) and the dialog the strip serves: -1 disables,
    // hides and leaves it without owner; 0 to 3 show and enable it; other
    // indexes hide it and keep the owner.
    void SetSelection(INT index, CWnd* owner);
    INT GetSelection() const { return m_nSelection; }
    bool IsOneButtonForm() const { return m_nForm != 0; }

private:
    INT m_nSelection = 0;
    INT m_nForm;
};
