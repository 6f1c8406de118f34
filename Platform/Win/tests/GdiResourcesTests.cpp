#include <gtest/gtest.h>

#include "GdiTestSupport.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/Resources.h"

namespace {

// The fixture module compiled from tests/fixtures/resources/fixture.krc,
// found through the module folder for the test's duration.
class GdiResources : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("KESTRELON_MODULE_DIR", KESTRELON_RESOURCE_FIXTURES, 1);
        win::RegisterResourceModule("ResFixture.dll", "ResFixture.kres");
        m_module = LoadLibraryA("ResFixture.dll");
        ASSERT_NE(m_module, nullptr);
    }
    void TearDown() override
    {
        if (m_module)
            FreeLibrary(m_module);
        unsetenv("KESTRELON_MODULE_DIR");
    }
    HMODULE m_module = nullptr;
};

TEST_F(GdiResources, LoadBitmapMakesADeviceBitmapTheRightWayUp)
{
    HBITMAP bitmap = LoadBitmapA(m_module, "SkinFrame");
    ASSERT_TRUE(bitmap);
    BITMAP info{};
    GetObject(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 2);
    EXPECT_EQ(info.bmBitsPixel, 32);
    gdi_test::Canvas canvas(bitmap);
    EXPECT_GRID(canvas.dc(), (std::vector<std::string>{"r.", "bg"}));
    HBITMAP byNumber = LoadBitmap(m_module, MAKEINTRESOURCE(241));
    EXPECT_TRUE(byNumber);
    DeleteObject(byNumber);
    SetLastError(0);
    EXPECT_EQ(LoadBitmapA(m_module, "NoSuchBitmap"), nullptr);
    EXPECT_NE(GetLastError(), 0u);
}

} // namespace
