#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Platform/Win/CommDlg/CommDlg.h"
#include "Platform/Win/Gdi/FontFamilies.h"
#include "Platform/Win/CommCtrl/tests/CommCtrlTestSupport.h"

namespace {

using namespace commctrl_test;

std::vector<std::function<void()>>* g_steps = nullptr;

BOOL RunFontDialog(CHOOSEFONTA& cf, std::vector<std::function<void()>> steps)
{
    g_steps = &steps;
    SetTimer(nullptr, 0, 15, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (!g_steps || g_steps->empty()) {
            KillTimer(nullptr, id);
            return;
        }
        auto step = g_steps->front();
        g_steps->erase(g_steps->begin());
        step();
    });
    const BOOL chosen = ChooseFontA(&cf);
    g_steps = nullptr;
    return chosen;
}

class FontDialogs : public CommCtrlTest {};

TEST_F(FontDialogs, OpensOnTheGivenFontAndReturnsWhatCreateFontHonours)
{
    const auto families = win::gdi::FontFamilies(true, false);
    ASSERT_NE(std::find(families.begin(), families.end(), "DejaVu Sans"), families.end());
    ASSERT_NE(std::find(families.begin(), families.end(), "DejaVu Serif"), families.end());

    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(14, 96, 72);
    lf.lfWeight = FW_BOLD;
    lf.lfItalic = TRUE;
    lstrcpynA(lf.lfFaceName, "dejavu serif", LF_FACESIZE);
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = m_parent;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_SCALABLEONLY | CF_NOVERTFONTS;
    cf.rgbColors = RGB(0, 0, 255);
    std::string face;
    std::string style;
    std::string size;
    std::vector<std::string> listed;
    const BOOL chosen = RunFontDialog(cf, {[&] {
        HWND dialog = GetActiveWindow();
        char text[64] = {};
        const int count = static_cast<int>(SendDlgItemMessageA(dialog, cmb1, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char name[LF_FACESIZE + 8] = {};
            SendDlgItemMessageA(dialog, cmb1, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
            listed.push_back(name);
        }
        GetDlgItemTextA(dialog, cmb1, text, sizeof text);
        face = text;
        GetDlgItemTextA(dialog, cmb2, text, sizeof text);
        style = text;
        GetDlgItemTextA(dialog, cmb3, text, sizeof text);
        size = text;
        SetDlgItemTextA(dialog, cmb3, "18");
        CheckDlgButton(dialog, chx1, BST_CHECKED);
        CheckDlgButton(dialog, chx2, BST_CHECKED);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    }});
    ASSERT_TRUE(chosen);
    EXPECT_EQ(listed, families) << "the installed scalable families";
    EXPECT_EQ(face, "DejaVu Serif") << "the given face, found without regard to case";
    EXPECT_EQ(style, "Bold Italic");
    EXPECT_EQ(size, "14");
    EXPECT_STREQ(lf.lfFaceName, "DejaVu Serif");
    EXPECT_EQ(cf.iPointSize, 180);
    EXPECT_EQ(lf.lfHeight, -MulDiv(18, 96, 72));
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_TRUE(lf.lfUnderline);
    EXPECT_TRUE(lf.lfStrikeOut);
    EXPECT_EQ(cf.rgbColors, RGB(0, 0, 255));
    EXPECT_EQ(cf.nFontType & (BOLD_FONTTYPE | ITALIC_FONTTYPE), BOLD_FONTTYPE | ITALIC_FONTTYPE);

    HFONT font = CreateFontIndirectA(&lf);
    ASSERT_NE(font, nullptr);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    char realised[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof realised, realised);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    EXPECT_EQ(metrics.tmWeight, FW_BOLD);
    EXPECT_TRUE(metrics.tmItalic);
    EXPECT_TRUE(metrics.tmUnderlined);
    EXPECT_TRUE(metrics.tmStruckOut);
    EXPECT_NEAR(metrics.tmHeight - metrics.tmInternalLeading, 24, 2);
    EXPECT_STREQ(realised, "DejaVu Serif");
}

TEST_F(FontDialogs, RunsOnTheLanguageModulesTemplateWithItsApplyChoice)
{
    ASSERT_NE(LanguageModule(), nullptr);
    constexpr int kApplyToSelection = 4360;
    constexpr int kApplyToAll = 4361;
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(12, 96, 72);
    lstrcpynA(lf.lfFaceName, "DejaVu Sans", LF_FACESIZE);
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = m_parent;
    cf.hInstance = LanguageModule();
    cf.lpTemplateName = MAKEINTRESOURCEA(591);
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_SCALABLEONLY | CF_ENABLETEMPLATE;
    std::vector<DWORD> radioStyles;
    std::string face;
    std::string size;
    const BOOL chosen = RunFontDialog(cf, {[&] {
        HWND dialog = GetActiveWindow();
        for (int id : {kApplyToSelection, kApplyToAll}) {
            HWND radio = GetDlgItem(dialog, id);
            radioStyles.push_back(radio ? static_cast<DWORD>(GetWindowLongA(radio, GWL_STYLE)) : 0);
        }
        char text[64] = {};
        GetDlgItemTextA(dialog, cmb1, text, sizeof text);
        face = text;
        GetDlgItemTextA(dialog, cmb3, text, sizeof text);
        size = text;
        CheckRadioButton(dialog, kApplyToSelection, kApplyToAll, kApplyToAll);
        CheckDlgButton(dialog, chx2, BST_CHECKED);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    }});
    ASSERT_TRUE(chosen) << CommDlgExtendedError();
    ASSERT_EQ(radioStyles.size(), 2u);
    EXPECT_EQ(radioStyles[0] & (BS_TYPEMASK | WS_GROUP), static_cast<DWORD>(BS_AUTORADIOBUTTON | WS_GROUP));
    EXPECT_EQ(radioStyles[1] & (BS_TYPEMASK | WS_GROUP), static_cast<DWORD>(BS_AUTORADIOBUTTON));
    EXPECT_EQ(face, "DejaVu Sans");
    EXPECT_EQ(size, "12");
    EXPECT_STREQ(lf.lfFaceName, "DejaVu Sans");
    EXPECT_TRUE(lf.lfUnderline);
    EXPECT_EQ(cf.iPointSize, 120);
}

TEST_F(FontDialogs, BadRecordsFail)
{
    EXPECT_FALSE(ChooseFontA(nullptr));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_INITIALIZATION);
    CHOOSEFONTA cf{};
    cf.lStructSize = 8;
    EXPECT_FALSE(ChooseFontA(&cf));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
    cf.lStructSize = sizeof cf;
    cf.Flags = CF_ENABLEHOOK;
    EXPECT_FALSE(ChooseFontA(&cf));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_NOHOOK);
    cf.Flags = CF_LIMITSIZE;
    cf.nSizeMin = 20;
    cf.nSizeMax = 10;
    EXPECT_FALSE(ChooseFontA(&cf));
    EXPECT_EQ(CommDlgExtendedError(), CFERR_MAXLESSTHANMIN);
    LOGFONTA lf{};
    cf.Flags = CF_SCREENFONTS;
    cf.lpLogFont = &lf;
    EXPECT_FALSE(RunFontDialog(cf, {[] {
        HWND dialog = GetActiveWindow();
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    }}));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

} // namespace
