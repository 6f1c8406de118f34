#include "Win32/Toolkit/FourButton.h"

klFourButton::klFourButton()
{
    SetTable(kDefaultRows.data(), static_cast<INT>(kDefaultRows.size()));
    SetPaneRect(1, 34, 4, 64, 16);
    SetPaneRect(2, 187, 4, 64, 16);
}

klFourButton::~klFourButton() = default;

UINT klFourButton::BackgroundFor(INT rows)
{
    switch (rows) {
    case 4:
        return 835;
    case 3:
    case 2:
        return 849;
    case 1:
        return 848;
    default:
        return 0;
    }
}

bool klFourButton::OnCommand(UINT id, UINT, void*)
{
    HWND owner = OwnerHwnd();
    if (!owner)
        return true;
    if (id == 53377 || id == 53380 || id == 53381)
        ::SendMessageA(owner, WM_COMMAND, id, 0);
    else
        ::PostMessageA(owner, kStripMessage, id, 0);
    return true;
}

bool klFourButton::CreateWindow()
{
    TableBuild build(*this);
    return StartTableBuild(build, BackgroundFor(m_nRowCount), FALSE) && LoadPanelFontNormal() &&
           BuildRows(build, LabelUse::FontOnly, "klFourButton");
}

bool klFourButton::OnPaint(CDrawContext* context, const CGfxRect&)
{
    if (HasWindow()) {
        DrawPaneText(context, m_strLabel2, 1);
        DrawPaneText(context, m_strLabel3, 2);
    }
    return true;
}

void klFourButton::DrawPaneText(CDrawContext* context, const CGfxString& text, INT pane)
{
    if (pane == 1 || pane == 2)
        DrawPane(context, text, pane);
}

void klFourButton::SetPaneText(const CGfxString& text, INT pane)
{
    if (pane != 1 && pane != 2)
        return;
    (pane == 1 ? m_strLabel2 : m_strLabel3) = text;
    DrawPaneNow(text, pane);
}
