#pragma once
// What the custom controls' tests share: their dialog (template 610 of the
// dialog tests' language module: two spins with their edits, a spin
// without one, the strip's placeholder) made modeless, which records the
// edits' EN_CHANGE and the strip's selection messages, and the program's
// art of those controls as pixels.

#include <vector>

#include "Resources/SkinArt/ArtFiles.h"
#include "Resources/SkinArt/MenuAndControlArt.h"
#include "Win32/Toolkit/tests/DialogTestSupport.h"

namespace controls_test {

constexpr UINT IDD_CONTROLS = 610;
constexpr int kRightSpin = 1102; // right of edit 1101, its buddy by UDS_AUTOBUDDY
constexpr int kRightEdit = 1101;
constexpr int kLeftSpin = 1103;  // left of edit 1104
constexpr int kLeftEdit = 1104;
constexpr int kLonelySpin = 1105;
constexpr int kStripPlace = 1110;

class ControlsDialog : public CDialog {
public:
    struct Selection {
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<int> changes; // ids of the edits that sent EN_CHANGE
    std::vector<Selection> selections;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (HIWORD(wParam) == EN_CHANGE)
            changes.push_back(LOWORD(wParam));
        return CDialog::OnCommand(wParam, lParam);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_USER + 10)
            selections.push_back({wParam, lParam});
        return CDialog::WindowProc(message, wParam, lParam);
    }
};

// A bitmap of the program's art of the controls, as drawn by the table.
inline skinart::Canvas ControlArt(int id)
{
    for (const skinart::SkinRow& row : skinart::kMenuAndControlArt)
        if (row.id == id)
            return skinart::Render(row);
    return skinart::Canvas(1, 1, skinart::Rgb{});
}

inline COLORREF ToColorref(skinart::Rgb c)
{
    return RGB(c.r, c.g, c.b);
}

class ControlsTest : public dialog_test::DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ASSERT_TRUE(dialog.Create(IDD_CONTROLS, nullptr));
        dialog.SetWindowPos(nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
        dialog_test::PumpUntilIdle();
    }
    void TearDown() override
    {
        if (dialog.GetSafeHwnd())
            dialog.DestroyWindow();
        DialogTest::TearDown();
    }
    HWND Item(int id) { return ::GetDlgItem(dialog.GetSafeHwnd(), id); }

    ControlsDialog dialog;
};

} // namespace controls_test
