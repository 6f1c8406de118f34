#pragma once
// Shared pieces of the window framework tests: the fixture resource module
// (made the resource module while a test runs), message boxes answered by a
// recording handler, and the window-system test helpers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/Mfc/AfxMessageBoxHandler.h"
#include "Platform/Mfc/Mfc.h"
#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/User/tests/UserTestSupport.h"

namespace mfc_test {

using namespace user_test;

constexpr UINT IDR_MAINFRAME = 128;
constexpr UINT IDD_EXCHANGE = 200;
constexpr UINT IDD_SMALL = 201;
constexpr int IDC_INT = 1001;
constexpr int IDC_UINT = 1002;
constexpr int IDC_LONG = 1003;
constexpr int IDC_DWORD = 1004;
constexpr int IDC_TEXT = 1005;
constexpr int IDC_FLOAT = 1006;
constexpr int IDC_DOUBLE = 1007;
constexpr int IDC_CHECK = 1008;
constexpr int IDC_RADIO1 = 1009;
constexpr int IDC_RADIO2 = 1010;
constexpr int IDC_RADIO3 = 1011;
constexpr int IDC_COMBO = 1012;
constexpr int IDC_LIST = 1013;
constexpr int IDC_PICK = 1014;
constexpr UINT ID_ALWAYS_GREY = 32771;
constexpr UINT ID_TOOLS_RUN = 32772;

// The fixture module (MfcFixture.kres), loaded once.
inline HMODULE Fixture()
{
    static HMODULE module = [] {
        setenv("KESTRELON_MODULE_DIR", KESTRELON_MFC_FIXTURES, 1);
        win::RegisterResourceModule("MfcFixture.dll", "MfcFixture.kres");
        return LoadLibraryA("MfcFixture.dll");
    }();
    return module;
}

struct ShownBox {
    std::string text;
    UINT type;
};

class MfcTest : public UserTest {
protected:
    void SetUp() override
    {
        UserTest::SetUp();
        ASSERT_NE(Fixture(), nullptr) << "the build compiles " KESTRELON_MFC_FIXTURES "/MfcFixture.kres";
        m_savedResources = AfxGetResourceHandle();
        AfxSetResourceHandle(Fixture());
        m_savedHandler = AfxSetMessageBoxHandler([this](LPCSTR text, UINT type, UINT) {
            m_boxes.push_back(ShownBox{text, type});
            return m_boxAnswer ? m_boxAnswer : AfxDefaultMessageBoxButton(type);
        });
    }
    void TearDown() override
    {
        UserTest::TearDown();
        AfxDeleteTempMaps();
        AfxSetMessageBoxHandler(m_savedHandler);
        AfxSetResourceHandle(m_savedResources);
    }

    std::vector<ShownBox> m_boxes;
    int m_boxAnswer = 0;

private:
    HINSTANCE m_savedResources = nullptr;
    AfxMessageBoxHandler m_savedHandler;
};

inline RECT Box(int x, int y, int cx, int cy) { return RECT{x, y, x + cx, y + cy}; }

} // namespace mfc_test
