// The toolkit's message box and texts as the program's language module
// holds them, run through the dialog manager and the controls.

#include <gtest/gtest.h>

#include <string>

#include "Platform/Win/Controls/tests/ControlsTestSupport.h"

namespace {

using namespace controls_test;

constexpr int kMessageBoxTemplate = 582;
constexpr int kMiddleButton = 4353;
constexpr int kIconStatic = 4354;
constexpr int kTextStatic = 4355;

class LanguageModule : public ControlsTest {};

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

RECT RectInParent(HWND control)
{
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The height of a line in the dialog's font.
LONG LineHeight(HWND dialog)
{
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    return metrics.tmHeight;
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)); }

TEST_F(LanguageModule, TheMessageBoxTemplateHasItsRowOfButtonsIconAndText)
{
    ASSERT_NE(controls_test::LanguageModule(), nullptr);
    HWND box = CreateDialogParamA(controls_test::LanguageModule(), MAKEINTRESOURCEA(kMessageBoxTemplate), nullptr,
                                  QuietDialogProc, 0);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StyleOf(box) & (DS_MODALFRAME | WS_POPUP | WS_CAPTION), DS_MODALFRAME | WS_POPUP | WS_CAPTION);
    EXPECT_EQ(WindowText(box), "Kestrelon");

    struct Button {
        int id;
        const char* text;
    };
    const Button row[] = {{IDOK, "OK"}, {kMiddleButton, "No"}, {IDCANCEL, "Cancel"}};
    const RECT text = RectInParent(GetDlgItem(box, kTextStatic));
    RECT previous{};
    for (const Button& b : row) {
        HWND button = GetDlgItem(box, b.id);
        ASSERT_NE(button, nullptr) << b.text;
        EXPECT_EQ(WindowText(button), b.text);
        const RECT r = RectInParent(button);
        EXPECT_GE(r.top, text.bottom) << b.text << " is under the text";
        if (b.id != IDOK) {
            EXPECT_EQ(r.top, previous.top) << b.text << " is on the row";
            EXPECT_EQ(r.right - r.left, previous.right - previous.left) << b.text << " is as wide as the others";
            EXPECT_GT(r.left, previous.right) << b.text << " is right of the one before";
        }
        previous = r;
    }
    EXPECT_EQ(StyleOf(GetDlgItem(box, kTextStatic)) & SS_TYPEMASK, static_cast<DWORD>(SS_LEFT));
    EXPECT_GE(text.bottom - text.top, 3 * LineHeight(box)) << "room for three lines of text";

    // The code sets the icon and the default button per kind of message.
    HWND icon = GetDlgItem(box, kIconStatic);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(StyleOf(icon) & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_QUESTION)), 0);
    RECT iconRect{};
    GetClientRect(icon, &iconRect);
    EXPECT_EQ(iconRect.right, GetSystemMetrics(SM_CXICON)) << "the icon shows whole";
    EXPECT_EQ(iconRect.bottom, GetSystemMetrics(SM_CYICON));
    SendMessageA(box, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(LOWORD(SendMessageA(box, DM_GETDEFID, 0, 0)), IDCANCEL);
    EXPECT_EQ(StyleOf(GetDlgItem(box, IDCANCEL)) & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(StyleOf(GetDlgItem(box, IDOK)) & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
    DestroyWindow(box);
}

TEST_F(LanguageModule, TheToolkitsTextsAndFacesAreThere)
{
    HMODULE module = controls_test::LanguageModule();
    ASSERT_NE(module, nullptr);
    struct Text {
        UINT id;
        const char* text;
    };
    const Text texts[] = {
        {61403, "&Yes"}, {61404, "&No"}, {61405, "&Retry"}, {61406, "&Abort"}, {61407, "&Ignore"},
        {4383, "0"},     {4385, "-11"},  {4387, "-14"},
    };
    for (const Text& t : texts) {
        char buffer[64] = {};
        LoadStringA(module, t.id, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, t.text) << t.id;
    }
    for (UINT face : {4381u, 4382u}) {
        LOGFONTA lf{};
        lf.lfHeight = -11;
        ASSERT_GT(LoadStringA(module, face, lf.lfFaceName, LF_FACESIZE), 0) << face;
        HFONT font = CreateFontIndirectA(&lf);
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        char realised[LF_FACESIZE] = {};
        GetTextFaceA(dc, sizeof realised, realised);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        DeleteObject(font);
        EXPECT_STREQ(realised, "DejaVu Sans") << face << ": " << lf.lfFaceName << " is an installed face";
    }
}

} // namespace
