#pragma once
// A plug-in property page under test: made by class identifier from its
// registered module (so that its dialog and title come from the module's
// own resource module), given a recording page site and one object, and
// activated in a hidden window of its own, so that the test drives its
// dialog directly.

#include <string>
#include <vector>

#include "Platform/DShow/DShow.h"
#include "Platform/Win/Win32.h"

namespace dshow_test {
class RecordingPageSite;
}

namespace plugin_test {

class PageUnderTest {
public:
    // Connects the page to `object` and activates it; connected() tells how
    // SetObjects went (the page is only activated when it succeeded).
    PageUnderTest(REFCLSID page, IUnknown* object);
    ~PageUnderTest();
    PageUnderTest(const PageUnderTest&) = delete;
    PageUnderTest& operator=(const PageUnderTest&) = delete;

    IPropertyPage* Page() const { return m_page.Get(); }
    HRESULT Connected() const { return m_connected; }
    HWND Dialog() const;
    // GetPageInfo's title and size.
    const std::u16string& Title() const { return m_title; }
    SIZE Size() const { return m_size; }
    // Every flag the page reported to its site, in order.
    const std::vector<DWORD>& StatusChanges() const;

    // A click on a button as its parent hears of it.
    void Click(int id) const;
    // A command of another kind from control `id`.
    void Command(int id, WORD code) const;
    bool Checked(int id) const;
    std::string Text(int id) const;
    void SetText(int id, const char* text) const;
    // Deactivates the page (its dialog goes), as the frame does on closing.
    HRESULT Deactivate();

private:
    com::ComPtr<IPropertyPage> m_page;
    dshow_test::RecordingPageSite* m_site = nullptr;
    HWND m_parent = nullptr;
    HRESULT m_connected = E_FAIL;
    bool m_active = false;
    std::u16string m_title;
    SIZE m_size{};
};

} // namespace plugin_test
