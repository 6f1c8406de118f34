#include "Filters/Switcher/SwitcherPages.h"

#include <new>

#include "Platform/Win/Win32.h"

namespace {

// 100 ns units per millisecond.
constexpr REFERENCE_TIME kMillisecond = 10000;

struct TypeRow {
    int button;
    const GUID* major;
    const GUID* sub;
};

const TypeRow kTypeRows[] = {
    {1190, &GUID_NULL, &GUID_NULL},
    {1191, &MEDIATYPE_Video, &GUID_NULL},
    {1192, &MEDIATYPE_Video, &MEDIASUBTYPE_RGB24},
    {1193, &MEDIATYPE_Video, &MEDIASUBTYPE_RGB565},
    {1194, &MEDIATYPE_Video, &MEDIASUBTYPE_RGB555},
    {1195, &MEDIATYPE_Audio, &GUID_NULL},
};

} // namespace

// ---- the event page

CSwitcherEventPage::CSwitcherEventPage(LPUNKNOWN outer)
    : CInterfacePage(NAME("Switcher event page"), outer, kDialog, kTitle)
{
}

CUnknown* CSwitcherEventPage::CreateInstance(LPUNKNOWN outer, HRESULT*) { return new CSwitcherEventPage(outer); }

HRESULT CSwitcherEventPage::OnConnect(IUnknown* object)
{
    HRESULT hr = CInterfacePage::OnConnect(object);
    if (FAILED(hr))
        return hr;
    m_lastSwitch = m_held->IsLastSwitchClear() == 0;
    m_ends.clear();
    m_maps.clear();
    m_shown = 0;
    int count = 0;
    if (FAILED(m_held->GetEventCount(&count)) || count <= 0)
        return S_OK;
    try {
        m_ends.assign(static_cast<size_t>(count), 0);
        m_maps.assign(static_cast<size_t>(count) * kGrid, -1);
    } catch (const std::bad_alloc&) {
        // The page goes on without events.
        m_ends.clear();
        m_maps.clear();
        return S_OK;
    }
    for (int i = 0; i < count; ++i)
        m_held->GetEvent(i, &m_ends[static_cast<size_t>(i)], Map(i));
    return S_OK;
}

HRESULT CSwitcherEventPage::OnDisconnect()
{
    m_ends.clear();
    m_maps.clear();
    return CInterfacePage::OnDisconnect();
}

HRESULT CSwitcherEventPage::OnActivate()
{
    CheckDlgButton(m_Dlg, kLastSwitch, m_lastSwitch ? BST_CHECKED : BST_UNCHECKED);
    ShowEvent();
    return CInterfacePage::OnActivate();
}

HRESULT CSwitcherEventPage::OnDeactivate()
{
    CInterfacePage::OnDeactivate();
    ReadBack();
    return S_OK;
}

HRESULT CSwitcherEventPage::OnApplyChanges()
{
    ReadBack();
    int count = 0;
    m_held->GetEventCount(&count);
    if (count != EventCount()) {
        HRESULT hr = m_held->SetEventCount(EventCount());
        if (FAILED(hr))
            return hr;
    }
    for (int i = 0; i < EventCount(); ++i)
        m_held->SetEvent(i, &m_ends[static_cast<size_t>(i)], Map(i));
    m_held->SetLastSwitch(m_lastSwitch);
    return S_OK;
}

void CSwitcherEventPage::ShowEvent()
{
    const int count = EventCount();
    SetDlgItemInt(m_Dlg, kEventCount, static_cast<UINT>(count), FALSE);
    HWND spin = GetDlgItem(m_Dlg, kSpin);
    SendMessageA(spin, UDM_SETBASE, 10, 0);
    SendMessageA(spin, UDM_SETRANGE, 0, MAKELPARAM(count > 0 ? count - 1 : 0, 0));
    SendMessageA(spin, UDM_SETPOS, 0, MAKELPARAM(m_shown, 0));
    SetDlgItemInt(m_Dlg, kShownIndex, static_cast<UINT>(m_shown), FALSE);
    if (m_shown < 0 || m_shown >= count)
        return;
    SetDlgItemInt(m_Dlg, kEndTime, static_cast<UINT>(m_ends[static_cast<size_t>(m_shown)] / kMillisecond), FALSE);
    const short* map = Map(m_shown);
    for (int input = 0; input < kGrid; ++input)
        for (int output = 0; output < kGrid; ++output)
            CheckDlgButton(m_Dlg, kFirstCell + kGrid * input + output,
                           map[input] == output ? BST_CHECKED : BST_UNCHECKED);
}

void CSwitcherEventPage::ReadBack()
{
    if (!m_Dlg)
        return;
    const int count = EventCount();
    m_lastSwitch = IsDlgButtonChecked(m_Dlg, kLastSwitch) == BST_CHECKED;
    if (m_shown < 0 || m_shown >= count)
        return;
    const size_t k = static_cast<size_t>(m_shown);
    const REFERENCE_TIME end =
        static_cast<REFERENCE_TIME>(GetDlgItemInt(m_Dlg, kEndTime, nullptr, FALSE)) * kMillisecond;
    bool valid;
    if (k == 0)
        valid = count == 1 || end < m_ends[1];
    else if (k + 1 == static_cast<size_t>(count))
        valid = end > m_ends[k - 1];
    else
        valid = end > m_ends[k - 1] && end < m_ends[k + 1];
    if (valid)
        m_ends[k] = end;
    else
        MessageBoxA(m_Dlg, "End time out of range, will be ignored.", "WARNING", MB_OK);
    short* map = Map(m_shown);
    for (int input = 0; input < kGrid; ++input) {
        map[input] = -1;
        for (int output = 0; output < kGrid; ++output)
            if (IsDlgButtonChecked(m_Dlg, kFirstCell + kGrid * input + output) == BST_CHECKED) {
                map[input] = static_cast<short>(output);
                break;
            }
    }
}

void CSwitcherEventPage::ClickCell(int id)
{
    const int cell = id - kFirstCell;
    const int input = cell / kGrid, output = cell % kGrid;
    const bool wasChecked = IsDlgButtonChecked(m_Dlg, id) == BST_CHECKED;
    if (!wasChecked)
        for (int other = 0; other < kGrid; ++other) {
            CheckDlgButton(m_Dlg, kFirstCell + kGrid * input + other, BST_UNCHECKED);
            CheckDlgButton(m_Dlg, kFirstCell + kGrid * other + output, BST_UNCHECKED);
        }
    CheckDlgButton(m_Dlg, id, wasChecked ? BST_UNCHECKED : BST_CHECKED);
}

void CSwitcherEventPage::AddEvent()
{
    ReadBack();
    const REFERENCE_TIME end = m_ends.empty() ? 0 : m_ends.back() + kMillisecond;
    try {
        m_ends.push_back(end);
        m_maps.resize(m_ends.size() * kGrid, -1);
    } catch (const std::bad_alloc&) {
        m_ends.resize(m_maps.size() / kGrid);
    }
    ShowEvent();
}

INT_PTR CSwitcherEventPage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id >= kFirstCell && id < kFirstCell + kGrid * kGrid && HIWORD(wParam) == BN_CLICKED)
            ClickCell(id);
        else if (id == kAddEvent && HIWORD(wParam) == BN_CLICKED)
            AddEvent();
        MarkDirty();
        return TRUE;
    }
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(m_Dlg, kSpin)) {
            ReadBack();
            m_shown = LOWORD(SendMessageA(GetDlgItem(m_Dlg, kSpin), UDM_GETPOS, 0, 0));
            ShowEvent();
        }
        return TRUE;
    default:
        return CBasePropertyPage::OnReceiveMessage(window, message, wParam, lParam);
    }
}

// ---- the media-type page

CSwitcherMediaTypePage::CSwitcherMediaTypePage(LPUNKNOWN outer)
    : CInterfacePage(NAME("Switcher media type page"), outer, kDialog, kTitle)
{
}

CUnknown* CSwitcherMediaTypePage::CreateInstance(LPUNKNOWN outer, HRESULT*)
{
    return new CSwitcherMediaTypePage(outer);
}

HRESULT CSwitcherMediaTypePage::OnConnect(IUnknown* object)
{
    HRESULT hr = CInterfacePage::OnConnect(object);
    if (FAILED(hr))
        return hr;
    m_major = GUID_NULL;
    m_sub = GUID_NULL;
    m_held->GetTypeRestriction(&m_major, &m_sub);
    m_selected = 0;
    for (const TypeRow& row : kTypeRows)
        if (*row.major == m_major && *row.sub == m_sub)
            m_selected = row.button;
    return S_OK;
}

void CSwitcherMediaTypePage::CheckSelected()
{
    for (int button = kFirstButton; button <= kLastButton; ++button)
        CheckDlgButton(m_Dlg, button, button == m_selected ? BST_CHECKED : BST_UNCHECKED);
}

HRESULT CSwitcherMediaTypePage::OnActivate()
{
    CheckSelected();
    return CInterfacePage::OnActivate();
}

HRESULT CSwitcherMediaTypePage::OnApplyChanges()
{
    for (const TypeRow& row : kTypeRows)
        if (row.button == m_selected) {
            m_major = *row.major;
            m_sub = *row.sub;
        }
    return m_held->SetTypeRestriction(&m_major, &m_sub);
}

INT_PTR CSwitcherMediaTypePage::OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND)
        return CBasePropertyPage::OnReceiveMessage(window, message, wParam, lParam);
    const int id = LOWORD(wParam);
    if (id >= kFirstButton && id <= kLastButton && HIWORD(wParam) == BN_CLICKED) {
        m_selected = id;
        CheckSelected();
    }
    MarkDirty();
    return TRUE;
}
