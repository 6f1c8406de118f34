// The property frame over the test plug-in's setting page, whose dialog and
// title come from the plug-in's own resource module; the frame runs modal
// and the tests drive it from a timer inside its loop.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/DShow/tests/GraphTestSupport.h"
#include "Platform/DShow/tests/RecordingPageSite.h"
#include "Platform/Win/Win32.h"

namespace {

using namespace dshow_test;

// The object the page edits.
class Setting final : public com::Object<com::Implements<ITestSetting, IID_ITestSetting>> {
public:
    HRESULT STDMETHODCALLTYPE GetValue(LONG* value) override
    {
        *value = m_value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(LONG value) override
    {
        m_value = value;
        ++m_sets;
        return S_OK;
    }
    LONG m_value = 17;
    int m_sets = 0;
};

const char* const kFrameCaption = "Widget Properties";

class PropertyFrame : public WithPlugin {
protected:
    void SetUp() override
    {
        WithPlugin::SetUp();
        m_setting = com::ComPtr<Setting>(new Setting);
    }
    void TearDown() override
    {
        s_self = nullptr;
        WithPlugin::TearDown();
    }

    // Runs the frame over the setting, taking `steps` one per timer tick
    // inside its modal loop.
    HRESULT RunFrame(std::vector<std::function<void(HWND frame)>> steps, ULONG pageCount = 1)
    {
        m_steps = std::move(steps);
        s_self = this;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
            if (!s_self || s_self->m_steps.empty())
                return;
            HWND frame = FindWindowA(nullptr, kFrameCaption);
            if (!frame)
                return;
            auto step = s_self->m_steps.front();
            s_self->m_steps.erase(s_self->m_steps.begin());
            step(frame);
        });
        IUnknown* objects[] = {static_cast<ITestSetting*>(m_setting.Get())};
        CLSID pages[] = {CLSID_TestSettingPage, CLSID_TestSettingPage};
        const HRESULT hr =
            OleCreatePropertyFrame(nullptr, 0, 0, u"Widget", 1, objects, pageCount, pages, 0, 0, nullptr);
        KillTimer(nullptr, timer);
        s_self = nullptr;
        return hr;
    }

    static HWND PageDialog(HWND frame)
    {
        HWND container = reinterpret_cast<HWND>(SendMessageA(frame, PSM_GETCURRENTPAGEHWND, 0, 0));
        return container ? GetWindow(container, GW_CHILD) : nullptr;
    }
    static void Press(HWND frame, int id)
    {
        SendMessageA(frame, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(frame, id)));
    }
    static std::string Text(HWND window)
    {
        char text[256] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

    com::ComPtr<Setting> m_setting;
    std::vector<std::function<void(HWND)>> m_steps;
    static PropertyFrame* s_self;
};
PropertyFrame* PropertyFrame::s_self = nullptr;

TEST_F(PropertyFrame, OpensTheResourcePageBecomesDirtyAndAppliesOnOk)
{
    std::string tab, shown;
    bool applyBefore = true, applyAfter = false;
    const HRESULT hr = RunFrame({
        [&](HWND frame) {
            HWND tabs = reinterpret_cast<HWND>(SendMessageA(frame, PSM_GETTABCONTROL, 0, 0));
            char text[64] = {};
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            tab = text;
            shown = Text(GetDlgItem(PageDialog(frame), kTestPageValueEdit));
            applyBefore = IsWindowEnabled(GetDlgItem(frame, ID_APPLY_NOW)) != FALSE;
        },
        [&](HWND frame) {
            SetDlgItemTextA(PageDialog(frame), kTestPageValueEdit, "42");
            applyAfter = IsWindowEnabled(GetDlgItem(frame, ID_APPLY_NOW)) != FALSE;
        },
        [&](HWND frame) { Press(frame, IDOK); },
    });
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(tab, "Test Setting") << "the title string of the plug-in's module";
    EXPECT_EQ(shown, "17") << "the page shows the object's value";
    EXPECT_FALSE(applyBefore);
    EXPECT_TRUE(applyAfter) << "a dirty page enables Apply";
    EXPECT_EQ(m_setting->m_value, 42);
    EXPECT_EQ(m_setting->m_sets, 1);
}

TEST_F(PropertyFrame, ApplyWritesAtOnceAndCancelKeepsLaterChanges)
{
    LONG afterApply = 0;
    bool applyAfterApply = true;
    const HRESULT hr = RunFrame({
        [&](HWND frame) { SetDlgItemTextA(PageDialog(frame), kTestPageValueEdit, "5"); },
        [&](HWND frame) {
            Press(frame, ID_APPLY_NOW);
            afterApply = m_setting->m_value;
            applyAfterApply = IsWindowEnabled(GetDlgItem(frame, ID_APPLY_NOW)) != FALSE;
        },
        [&](HWND frame) { SetDlgItemTextA(PageDialog(frame), kTestPageValueEdit, "6"); },
        [&](HWND frame) { Press(frame, IDCANCEL); },
    });
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(afterApply, 5);
    EXPECT_FALSE(applyAfterApply);
    EXPECT_EQ(m_setting->m_value, 5) << "Cancel applies nothing";
    EXPECT_EQ(m_setting->m_sets, 1);
}

TEST_F(PropertyFrame, ASecondPageIsMadeWhenShownAndAppliedWithTheOthers)
{
    HWND first = nullptr, second = nullptr;
    const HRESULT hr = RunFrame(
        {
            [&](HWND frame) { first = PageDialog(frame); },
            [&](HWND frame) {
                SendMessageA(frame, PSM_SETCURSEL, 1, 0);
                second = PageDialog(frame);
                SetDlgItemTextA(second, kTestPageValueEdit, "23");
            },
            [&](HWND frame) { Press(frame, IDOK); },
        },
        2);
    EXPECT_EQ(hr, S_OK);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(m_setting->m_value, 23);
    EXPECT_EQ(m_setting->m_sets, 1) << "the clean first page wrote nothing";
}

TEST_F(PropertyFrame, OkOnACleanPageWritesNothing)
{
    EXPECT_EQ(RunFrame({[](HWND frame) { Press(frame, IDOK); }}), S_OK);
    EXPECT_EQ(m_setting->m_sets, 0);
}

TEST_F(PropertyFrame, BadArgumentsAndPagesThatCannotBeMade)
{
    IUnknown* objects[] = {static_cast<ITestSetting*>(m_setting.Get())};
    CLSID pages[] = {CLSID_TestSettingPage};
    EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, objects, 0, pages, 0, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, nullptr, 1, pages, 0, 0, nullptr), E_INVALIDARG);
    EXPECT_EQ(OleCreatePropertyFrameIndirect(nullptr), E_POINTER);
    CLSID unknown[] = {MEDIASUBTYPE_TestA};
    EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, objects, 1, unknown, 0, 0, nullptr),
              REGDB_E_CLASSNOTREG);
    // An object without the page's interface is refused by the page.
    com::ComPtr<RecordingPageSite> other(new RecordingPageSite);
    IUnknown* wrong[] = {static_cast<IPropertyPageSite*>(other.Get())};
    EXPECT_EQ(OleCreatePropertyFrame(nullptr, 0, 0, nullptr, 1, wrong, 1, pages, 0, 0, nullptr), E_NOINTERFACE);
}

// The page alone, through its own site: its info comes from the plug-in's
// module, its dialog lives from Activate to Deactivate, and SetDirty
// reaches the site once per change made while active.
TEST_F(PropertyFrame, ThePageAloneGivesItsInfoAndReportsDirtiness)
{
    com::ComPtr<IPropertyPage> page;
    ASSERT_EQ(CoCreateInstance(CLSID_TestSettingPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                               page.ReceiveVoid()),
              S_OK);
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_EQ(std::u16string(info.pszTitle), u"Test Setting");
    EXPECT_GT(info.size.cx, 160) << "160 by 60 dialog units, in pixels";
    EXPECT_GT(info.size.cy, 60);
    CoTaskMemFree(info.pszTitle);

    com::ComPtr<RecordingPageSite> site(new RecordingPageSite);
    IUnknown* objects[] = {static_cast<ITestSetting*>(m_setting.Get())};
    ASSERT_EQ(page->SetPageSite(site.Get()), S_OK);
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    RECT area{0, 0, info.size.cx, info.size.cy};
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED) << "not active yet";
    HWND parent = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(page->Activate(parent, &area, TRUE), S_OK);
    HWND dialog = GetWindow(parent, GW_CHILD);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(IsWindowVisible(dialog) || !IsWindowVisible(parent));
    EXPECT_EQ(page->Activate(parent, &area, TRUE), E_UNEXPECTED) << "already active";
    EXPECT_EQ(page->Show(12345), E_INVALIDARG);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    SetDlgItemTextA(dialog, kTestPageValueEdit, "9");
    EXPECT_EQ(page->IsPageDirty(), S_OK);
    EXPECT_EQ(site->m_flags, std::vector<DWORD>{PROPPAGESTATUS_DIRTY});
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(m_setting->m_value, 9);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr) << "the dialog goes with Deactivate";
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
    DestroyWindow(parent);
}

} // namespace
