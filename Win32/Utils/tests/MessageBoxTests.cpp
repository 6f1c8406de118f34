#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/DShow/Api/DShowErrors.h"
#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/AfxMessageBoxHandler.h"
#include "Platform/Win/Win32.h"
#include "Win32/Utils/MessageBoxes.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace {

using testing_support::LoadedResourceModules;

struct ShownBox {
    std::string text;
    UINT type;
};

// Routes message boxes to a recorder that answers with a chosen button.
class MessageBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_modules.IsLoaded());
        m_previous = AfxSetMessageBoxHandler([this](LPCSTR text, UINT type, UINT) {
            m_shown.push_back({text, type});
            return m_answer;
        });
    }
    void TearDown() override { AfxSetMessageBoxHandler(m_previous); }

    LoadedResourceModules m_modules;
    AfxMessageBoxHandler m_previous;
    std::vector<ShownBox> m_shown;
    int m_answer = IDOK;
};

TEST_F(MessageBoxTest, ResourceMessageShowsTheStringAndAnswersWithTheButton)
{
    m_answer = IDNO;
    EXPECT_EQ(ShowResourceMessage(5000, MB_YESNO | MB_ICONQUESTION), IDNO);
    ASSERT_EQ(m_shown.size(), 1u);
    EXPECT_EQ(m_shown[0].text, "Plain message");
    EXPECT_EQ(m_shown[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(AfxGetResourceHandle(), GetModuleHandleA(nullptr)) << "the switch was undone";
}

TEST_F(MessageBoxTest, MissingStringsAnswerCancelWithoutShowing)
{
    m_answer = IDOK;
    // 7000 lies only in the untranslated module, which message boxes never use.
    for (UINT id : {9999u, 7000u, 6012u}) {
        EXPECT_EQ(ShowResourceMessage(id, MB_OK), IDCANCEL) << id;
        EXPECT_EQ(ShowFormattedMessage(id, "x", MB_OK), IDCANCEL) << id;
        EXPECT_EQ(ShowDirectShowError(id, E_FAIL, MB_OK), IDCANCEL) << id;
    }
    EXPECT_TRUE(m_shown.empty());
}

TEST_F(MessageBoxTest, FormattedMessagePutsTheTextInPlaceOfTheConversion)
{
    struct Case {
        UINT id;
        LPCSTR argument;
        const char* shown;
    } const cases[] = {
        {5001, "disk full", "Formatted: disk full!"},
        {5001, nullptr, "Formatted: !"},
        {5001, "100% %s %d", "Formatted: 100% %s %d!"},
        {5004, "ab", "100% sure: ab    |"},
        {5000, "ignored", "Plain message"},
        // Strings with conversions the one argument cannot satisfy are shown as they stand.
        {5002, "x", "Two %s and %s"},
        {5003, "x", "Percent %d"},
    };
    for (const Case& c : cases) {
        m_shown.clear();
        EXPECT_EQ(ShowFormattedMessage(c.id, c.argument, MB_OK), IDOK) << c.id;
        ASSERT_EQ(m_shown.size(), 1u) << c.id;
        EXPECT_EQ(m_shown[0].text, c.shown) << c.id;
    }
}

TEST_F(MessageBoxTest, DirectShowErrorShowsTheResultsDescription)
{
    char description[MAX_ERROR_TEXT_LEN];
    ASSERT_GT(AMGetErrorTextA(VFW_E_CANNOT_RENDER, description, sizeof description), 0u);
    EXPECT_EQ(ShowDirectShowError(5005, VFW_E_CANNOT_RENDER, MB_OK), IDOK);
    EXPECT_EQ(ShowDirectShowError(5005, static_cast<HRESULT>(0x8004FFFF), MB_OK), IDOK);
    ASSERT_EQ(m_shown.size(), 2u);
    EXPECT_EQ(m_shown[0].text, std::string("DirectShow says: ") + description);
    EXPECT_EQ(m_shown[1].text, "DirectShow says: ") << "no description for an unknown result";
}

TEST_F(MessageBoxTest, TheResultsThePlayersAndCaptureMeetHaveDescriptions)
{
    for (HRESULT hr : {VFW_E_CANNOT_CONNECT, VFW_E_CANNOT_RENDER, VFW_E_NO_DECOMPRESSOR, VFW_E_UNKNOWN_FILE_TYPE,
                       VFW_E_NO_AUDIO_HARDWARE, VFW_E_NO_CAPTURE_HARDWARE, E_OUTOFMEMORY, REGDB_E_CLASSNOTREG}) {
        m_shown.clear();
        ShowDirectShowError(5005, hr, MB_OK);
        ASSERT_EQ(m_shown.size(), 1u);
        EXPECT_GT(m_shown[0].text.size(), std::string("DirectShow says: ").size()) << std::hex << hr;
    }
}

TEST(MessageBoxDefault, WithoutAHandlerTheBoxAnswersWithItsDefaultButton)
{
    struct Case {
        UINT type;
        int button;
    } const cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_OKCANCEL | MB_DEFBUTTON3, IDOK},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_YESNO | MB_ICONWARNING, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_RETRYCANCEL, IDRETRY},
        {0x0000000F, IDOK},
    };
    AfxMessageBoxHandler previous = AfxSetMessageBoxHandler(nullptr);
    for (const Case& c : cases) {
        EXPECT_EQ(AfxDefaultMessageBoxButton(c.type), c.button) << std::hex << c.type;
        EXPECT_EQ(AfxMessageBox("unattended", c.type), c.button) << std::hex << c.type;
    }
    AfxSetMessageBoxHandler(previous);
}

} // namespace
