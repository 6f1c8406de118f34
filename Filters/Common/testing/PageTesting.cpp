#include "Filters/Common/testing/PageTesting.h"

#include <gtest/gtest.h>

#include "Platform/DShow/tests/RecordingPageSite.h"

namespace plugin_test {

PageUnderTest::PageUnderTest(REFCLSID page, IUnknown* object)
{
    EXPECT_EQ(CoCreateInstance(page, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, m_page.ReceiveVoid()), S_OK);
    if (!m_page)
        return;
    m_site = new dshow_test::RecordingPageSite;
    m_site->AddRef();
    EXPECT_EQ(m_page->SetPageSite(m_site), S_OK);
    PROPPAGEINFO info{};
    if (SUCCEEDED(m_page->GetPageInfo(&info))) {
        m_title = info.pszTitle ? info.pszTitle : u"";
        m_size = info.size;
        CoTaskMemFree(info.pszTitle);
    }
    IUnknown* objects[] = {object};
    m_connected = m_page->SetObjects(1, objects);
    if (FAILED(m_connected))
        return;
    m_parent = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    RECT area{0, 0, m_size.cx, m_size.cy};
    m_active = SUCCEEDED(m_page->Activate(m_parent, &area, TRUE));
    EXPECT_TRUE(m_active);
}

PageUnderTest::~PageUnderTest()
{
    if (m_page) {
        Deactivate();
        if (SUCCEEDED(m_connected))
            m_page->SetObjects(0, nullptr);
        m_page->SetPageSite(nullptr);
    }
    if (m_parent)
        DestroyWindow(m_parent);
    if (m_site)
        m_site->Release();
}

HWND PageUnderTest::Dialog() const { return m_parent ? GetWindow(m_parent, GW_CHILD) : nullptr; }

const std::vector<DWORD>& PageUnderTest::StatusChanges() const { return m_site->m_flags; }

void PageUnderTest::Command(int id, WORD code) const
{
    SendMessageA(Dialog(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(Dialog(), id)));
}

void PageUnderTest::Click(int id) const
{
    // An automatic button changes its own check before it tells its parent.
    HWND button = GetDlgItem(Dialog(), id);
    const LONG type = GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX)
        SendMessageA(button, BM_SETCHECK, SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED
                                                                                               : BST_CHECKED,
                     0);
    else if (type == BS_AUTORADIOBUTTON)
        SendMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
    Command(id, BN_CLICKED);
}

bool PageUnderTest::Checked(int id) const { return IsDlgButtonChecked(Dialog(), id) == BST_CHECKED; }

std::string PageUnderTest::Text(int id) const
{
    char text[256] = {};
    GetDlgItemTextA(Dialog(), id, text, sizeof text);
    return text;
}

void PageUnderTest::SetText(int id, const char* text) const { SetDlgItemTextA(Dialog(), id, text); }

HRESULT PageUnderTest::Deactivate()
{
    if (!m_active)
        return E_UNEXPECTED;
    m_active = false;
    return m_page->Deactivate();
}

} // namespace plugin_test
