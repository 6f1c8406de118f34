#include <gtest/gtest.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

#include "GdiTestSupport.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Gdi/Private/GdiInternal.h"
#include "Platform/Win/Kernel/Resources.h"
#include "Platform/Win/Kernel/tests/ResourceModuleBytes.h"
#include "tests/support/TempDir.h"

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

// Bitmaps of a module written byte by byte, loaded under "ResBitmaps.dll"
// from a folder of the test's own.
class GdiRawBitmaps : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("KESTRELON_MODULE_DIR", m_folder.Path().c_str(), 1);
        win::RegisterResourceModule("ResBitmaps.dll", "ResBitmaps.kres");
    }
    void TearDown() override { unsetenv("KESTRELON_MODULE_DIR"); }

    HMODULE Load(const std::string& bitmap)
    {
        m_folder.Write("ResBitmaps.kres", resource_test::ModuleFile({{2, 1, bitmap}}));
        return LoadLibraryA("ResBitmaps.dll");
    }

    testing_support::TempDir m_folder;
};

TEST_F(GdiRawBitmaps, AWholeEightBitBitmapLoads)
{
    std::string bitmap = resource_test::InfoHeader(2, 1, 8, BI_RGB, 2);
    bitmap += std::string("\x00\x00\xff\x00\x00\xff\x00\x00", 8);
    bitmap += std::string("\x00\x01\x00\x00", 4);
    HMODULE module = Load(bitmap);
    ASSERT_NE(module, nullptr);
    HBITMAP loaded = LoadBitmapA(module, MAKEINTRESOURCEA(1));
    ASSERT_TRUE(loaded);
    gdi_test::Canvas canvas(loaded);
    EXPECT_GRID(canvas.dc(), (std::vector<std::string>{"rg"}));
    FreeLibrary(module);
}

// Each ends where its module ends: a table or masks read before their size
// is checked are read past the module's data.
TEST_F(GdiRawBitmaps, BitmapsCutBeforeTheirTableOrMasksAreRefused)
{
    const struct Case {
        const char* what;
        std::string bitmap;
    } cases[] = {
        {"8-bit header without its colour table", resource_test::InfoHeader(4, 4, 8)},
        {"4-bit header with half its colour table", resource_test::InfoHeader(4, 4, 4) + std::string(32, '\x7f')},
        {"bit-field header without its masks", resource_test::InfoHeader(4, 4, 32, BI_BITFIELDS)},
        {"16-bit bit-field header with one mask", resource_test::InfoHeader(4, 4, 16, BI_BITFIELDS) + std::string("\xff\xff\0\0", 4)},
        {"header cut short", resource_test::InfoHeader(4, 4, 24).substr(0, 20)},
        {"core header without its colour table", std::string("\x0c\0\0\0\x04\0\x04\0\x01\0\x08\0", 12)},
    };
    for (const Case& c : cases) {
        HMODULE module = Load(c.bitmap);
        ASSERT_NE(module, nullptr) << c.what;
        SetLastError(0);
        EXPECT_EQ(LoadBitmapA(module, MAKEINTRESOURCEA(1)), nullptr) << c.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA)) << c.what;
        FreeLibrary(module);
    }
}

// Two pages, the second unreadable: what is placed to end at the boundary
// cannot be read past without a fault.
class GuardedBytes {
public:
    GuardedBytes() : m_page(static_cast<size_t>(sysconf(_SC_PAGESIZE)))
    {
        void* block = mmap(nullptr, 2 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        m_block = block == MAP_FAILED ? nullptr : static_cast<BYTE*>(block);
        if (m_block)
            mprotect(m_block + m_page, m_page, PROT_NONE);
    }
    ~GuardedBytes()
    {
        if (m_block)
            munmap(m_block, 2 * m_page);
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    // The copy of `bytes` that ends at the unreadable page; `bytes` is a
    // multiple of 4 long, so the copy is aligned.
    const BITMAPINFO* Place(const std::string& bytes)
    {
        BYTE* at = m_block + m_page - bytes.size();
        std::memcpy(at, bytes.data(), bytes.size());
        return reinterpret_cast<const BITMAPINFO*>(at);
    }
    bool Ready() const { return m_block != nullptr; }

private:
    size_t m_page;
    BYTE* m_block = nullptr;
};

TEST(GdiDibFormat, TheParserReadsNothingPastTheBytesItIsGiven)
{
    GuardedBytes guarded;
    ASSERT_TRUE(guarded.Ready());
    const std::string cut[] = {
        resource_test::InfoHeader(4, 4, 8),
        resource_test::InfoHeader(4, 4, 1) + std::string(4, '\0'),
        resource_test::InfoHeader(4, 4, 32, BI_BITFIELDS),
        resource_test::InfoHeader(4, 4, 32, BI_BITFIELDS) + std::string(8, '\xff'),
    };
    win::gdi::DibFormat format;
    for (const std::string& bytes : cut)
        EXPECT_FALSE(win::gdi::ParseDibFormat(guarded.Place(bytes), DIB_RGB_COLORS, nullptr, &format, bytes.size()));
    const std::string whole = resource_test::InfoHeader(4, 4, 1) + std::string(8, '\x40');
    ASSERT_TRUE(win::gdi::ParseDibFormat(guarded.Place(whole), DIB_RGB_COLORS, nullptr, &format, whole.size()));
    EXPECT_EQ(format.colors.size(), 2u);
}

} // namespace
