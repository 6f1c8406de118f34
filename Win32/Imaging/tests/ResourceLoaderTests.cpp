#include "Win32/Imaging/ResourceLoader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Win/Kernel/ModuleImage.h"
#include "TestResourceModule.h"
#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"

namespace {

using imaging_tests::Bytes;
using imaging_tests::ModuleImageOf;
using imaging_tests::Put16;
using imaging_tests::Put32;
using imaging_tests::TestResourceModule;

constexpr UINT kRawId = 300;
constexpr UINT kBitmapId = 301;
constexpr UINT kDamagedBitmapId = 302;
constexpr UINT kStringId = 1234;
constexpr UINT kLongStringId = 1300;
constexpr WORD kRcData = 10;
constexpr WORD kBitmap = 2;
constexpr WORD kString = 6;

// The string-table block holding `id` with the text in its slot.
Bytes StringBlock(UINT id, const std::string& text)
{
    Bytes block;
    for (UINT slot = 0; slot < 16; ++slot) {
        if (slot != (id & 15)) {
            Put16(block, 0);
            continue;
        }
        Put16(block, static_cast<WORD>(text.size()));
        for (char c : text)
            Put16(block, static_cast<WORD>(static_cast<unsigned char>(c)));
    }
    return block;
}

// A 2 x 2 24-bit packed DIB: top row red, green; bottom row blue, white.
Bytes PackedDib()
{
    Bytes dib;
    Put32(dib, 40);
    Put32(dib, 2);
    Put32(dib, 2);
    Put16(dib, 1);
    Put16(dib, 24);
    for (int i = 0; i < 6; ++i)
        Put32(dib, 0);
    const BYTE rows[16] = {255, 0, 0, 255, 255, 255, 0, 0, /* bottom */ 0, 0, 255, 0, 255, 0, 0, 0};
    dib.insert(dib.end(), rows, rows + 16);
    return dib;
}

// Writes the test module into a temporary folder and loads it.
class ResourceLoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bytes damaged = PackedDib();
        damaged.erase(damaged.end() - 4, damaged.end());
        const Bytes image = ModuleImageOf({
            {kRcData, kRawId, "", Bytes{1, 2, 3, 4, 5}},
            {kRcData, 0, "NAMEDDATA", Bytes{9, 8, 7}},
            {kBitmap, kBitmapId, "", PackedDib()},
            {kBitmap, 0, "SKIN", PackedDib()},
            {kBitmap, kDamagedBitmapId, "", damaged},
            {kString, static_cast<WORD>((kStringId >> 4) + 1), "",
             StringBlock(kStringId, "Rendering frames")},
            {kString, static_cast<WORD>((kLongStringId >> 4) + 1), "", StringBlock(kLongStringId, std::string(300, 'x'))},
        });
        m_resources = std::make_unique<TestResourceModule>("ImagingTests.dll", image);
        m_module = m_resources->Handle();
        ASSERT_NE(m_module, nullptr);
    }

    std::unique_ptr<TestResourceModule> m_resources;
    HMODULE m_module = nullptr;
};

COLORREF PixelOf(CGdiBitmap& bitmap, int x, int y)
{
    CDrawContext memory;
    HGDIOBJ previous = SelectObject(memory.GetHDC(), bitmap.GetHandle());
    const COLORREF c = ::GetPixel(memory.GetHDC(), x, y);
    SelectObject(memory.GetHDC(), previous);
    return c;
}

} // namespace

TEST_F(ResourceLoaderTest, LoadFindsRawDataByNumberAndByName)
{
    CResourceLoader loader(m_module);
    DWORD size = 99;
    const auto* data = static_cast<const BYTE*>(loader.Load(kRawId | 0x10000, kRcData, &size));
    ASSERT_NE(data, nullptr) << "numbers use their low 16 bits";
    ASSERT_EQ(size, 5u);
    EXPECT_EQ(data[4], 5);
    EXPECT_NE(loader.m_hResData, nullptr);

    const auto* named = static_cast<const BYTE*>(loader.Load(CGfxString("NamedData"), kRcData, &size));
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(named[0], 9);
    loader.Free();
    EXPECT_EQ(loader.m_hResData, nullptr);
}

TEST_F(ResourceLoaderTest, MissingResourcesGiveNullAndSizeZero)
{
    CResourceLoader loader(m_module);
    DWORD size = 99;
    EXPECT_EQ(loader.Load(999, kRcData, &size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(loader.Load(kRawId, kBitmap, &size), nullptr);
    void* copy = reinterpret_cast<void*>(1);
    size = 7;
    EXPECT_FALSE(loader.LoadCopy(999, kRcData, &copy, &size));
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(size, 0u);
    CResourceLoader nowhere(nullptr);
    EXPECT_EQ(nowhere.Load(kRawId, kRcData, &size), nullptr);
}

TEST_F(ResourceLoaderTest, CopyOutlivesTheLoader)
{
    void* copy = nullptr;
    DWORD size = 0;
    {
        CResourceLoader loader(m_module);
        ASSERT_TRUE(loader.LoadCopy(CGfxString("NAMEDDATA"), kRcData, &copy, &size));
        EXPECT_EQ(loader.m_hResData, nullptr) << "the resource is freed at once";
    }
    ASSERT_EQ(size, 3u);
    EXPECT_EQ(static_cast<BYTE*>(copy)[2], 7);
    delete[] static_cast<BYTE*>(copy);
}

TEST_F(ResourceLoaderTest, LoadStringGivesTextAndLength)
{
    CResourceLoader loader(m_module);
    CGfxString text;
    int length = -1;
    ASSERT_TRUE(loader.LoadString(kStringId, text, &length));
    EXPECT_EQ(length, 16);
    EXPECT_STREQ(text.GetString(), "Rendering frames");

    ASSERT_TRUE(loader.LoadString(kLongStringId, text, &length));
    EXPECT_EQ(length, 255);
    EXPECT_EQ(text.GetLength(), 255);

    EXPECT_FALSE(loader.LoadString(kStringId + 1, text, &length));
    EXPECT_EQ(length, 0);
}

TEST_F(ResourceLoaderTest, DefaultLoaderUsesTheCurrentResourceModule)
{
    HINSTANCE previous = AfxGetResourceHandle();
    AfxSetResourceHandle(m_module);
    CResourceLoader loader;
    EXPECT_EQ(loader.m_hModule, m_module);
    AfxSetResourceHandle(previous);
}

TEST_F(ResourceLoaderTest, BitmapsLoadFromThePackedDib)
{
    CResourceLoader loader(m_module);
    std::unique_ptr<CGdiBitmap> byId(loader.LoadBitmapById(kBitmapId));
    ASSERT_NE(byId, nullptr);
    EXPECT_TRUE(byId->m_bOwned);
    EXPECT_FALSE(byId->IsTransparent());
    EXPECT_EQ(byId->GetSize(), CGfxSize(2, 2));
    EXPECT_EQ(PixelOf(*byId, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(*byId, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(PixelOf(*byId, 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(PixelOf(*byId, 1, 1), RGB(255, 255, 255));

    std::unique_ptr<CGdiBitmap> byName(loader.LoadBitmapByName(CGfxString("skin")));
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(byName->GetSize(), CGfxSize(2, 2));

    EXPECT_EQ(loader.LoadBitmapById(999), nullptr);
    EXPECT_EQ(loader.LoadBitmapById(kDamagedBitmapId), nullptr) << "a DIB short of its pixels is refused";

    const CRGBColor key(0, 0, 255);
    CGdiBitmap constructed(m_module, kBitmapId, &key);
    EXPECT_TRUE(constructed.IsValid());
    EXPECT_TRUE(constructed.IsTransparent());
    CGdiBitmap missing(m_module, 999);
    EXPECT_FALSE(missing.IsValid());
    CGdiBitmap programBitmap{CGfxString("SKIN")};
    EXPECT_FALSE(programBitmap.IsValid()) << "the program module holds no bitmaps";
}
