#include "Filters/Chirpex/ChirpexPage.h"
#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/testing/PageTesting.h"
#include "Filters/Common/testing/PluginTesting.h"

namespace {

using namespace plugin_test;

class ChirpexPageTest : public WithModules {
protected:
    ChirpexPageTest() : WithModules({ModulePath("Chirpex")}) {}
};

TEST_F(ChirpexPageTest, ShowsItsBoxFromTheLibrarysResourcesAndNeverBecomesDirty)
{
    auto filter = Create<IBaseFilter>(CLSID_Chirpex, IID_IBaseFilter);
    PageUnderTest page(CLSID_ChirpexPage, filter.Get());
    ASSERT_EQ(page.Connected(), S_OK);
    EXPECT_EQ(page.Title(), u"Chirpex");
    EXPECT_GT(page.Size().cx, page.Size().cy);
    HWND box = GetDlgItem(page.Dialog(), CChirpexPage::kRemoveBeeps);
    ASSERT_NE(box, nullptr);
    char text[64] = {};
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ(text, "Remove DV Error Beeps");
    page.Click(CChirpexPage::kRemoveBeeps);
    EXPECT_EQ(page.Page()->IsPageDirty(), S_FALSE);
    EXPECT_TRUE(page.StatusChanges().empty());
    EXPECT_EQ(page.Page()->Apply(), S_OK);
    int level = 0;
    Query<IKLBeepRemover>(filter.Get(), IID_IKLBeepRemover)->GetLevel(&level);
    EXPECT_EQ(level, 220) << "the box is tied to nothing";
}

TEST_F(ChirpexPageTest, RefusesAnObjectWithoutTheBeepRemover)
{
    auto other = Create<IBaseFilter>(CLSID_Chirpex, IID_IBaseFilter);
    com::ComPtr<IPropertyPage> page = Create<IPropertyPage>(CLSID_ChirpexPage, IID_IPropertyPage);
    IUnknown* pins[] = {PinOf(other.Get(), 0).Get()};
    EXPECT_EQ(page->SetObjects(1, pins), E_NOINTERFACE);
    EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED) << "nothing was held";
}

} // namespace
