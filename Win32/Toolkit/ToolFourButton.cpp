#include "Win32/Toolkit/ToolFourButton.h"

namespace {

constexpr INT kStateButtons[] = {3038, 3039, 3040};
constexpr INT kPushButton = 1000;

} // namespace

klToolFourButton::klToolFourButton(INT oneButton) : m_nForm(oneButton != 0 ? 1 : 0)
{
    if (m_nForm)
        SetTable(kOneButtonRows.data(), static_cast<INT>(kOneButtonRows.size()));
    else
        SetTable(kFourButtonRows.data(), static_cast<INT>(kFourButtonRows.size()));
}

klToolFourButton::~klToolFourButton() = default;

bool klToolFourButton::OnCommand(UINT id, UINT, void*)
{
    HWND owner = OwnerHwnd();
    if (!owner)
        return true;
    const bool state = id == 3038 || id == 3039 || id == 3040;
    if (!state && id != kPushButton)
        return true;
    ::SendMessageA(owner, WM_COMMAND, id, 0);
    if (state)
        for (INT button : kStateButtons)
            SetButtonState(button, button == static_cast<INT>(id) ? 1 : 0);
    return true;
}

bool klToolFourButton::CreateWindow()
{
    TableBuild build(*this);
    if (!StartTableBuild(build, m_nForm ? kOneButtonBackground : kFourButtonBackground, FALSE) ||
        !LoadPanelFontNormal() || !BuildRows(build, LabelUse::AsText, "klFourButton"))
        return false;
    SetSelection(-1, nullptr);
    return true;
}

bool klToolFourButton::OnPaint(CDrawContext*, const CGfxRect&)
{
    return true;
}

void klToolFourButton::SetSelection(INT index, CWnd* owner)
{
    m_nSelection = index;
    m_pOwnerWnd = owner;
    if (index == -1) {
        EnableButtons(0, -1);
        Show(false);
        m_pOwnerWnd = nullptr;
    } else if (index >= 0 && index <= 3) {
        if (!m_nForm)
            for (INT button : kStateButtons)
                ShowButton(button, true);
        ShowButton(kPushButton, true);
        EnableButtons(15, -1);
        Show(true);
    } else {
        Show(false);
    }
}
