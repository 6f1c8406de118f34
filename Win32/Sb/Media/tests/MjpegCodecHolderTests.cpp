#include "Win32/Sb/Media/MjpegCodecHolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Platform/Mfc/AfxResources.h"
#include "Platform/Vfw/CompressorTable.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/System.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr vfw::CompressorRow kMarked[] = {
    {mmioFOURCC('M', 'J', 'P', 'G'), u"MJPEG", u"Kestrel JPEG codec", "mjpeg", 0, vfw::kDepth24, 24,
     vfw::SizeRule::Any, 1, 5000},
};
constexpr vfw::CompressorRow kUnmarked[] = {
    {mmioFOURCC('M', 'J', 'P', 'G'), u"MJPEG", u"Other Motion-J codec", "mjpeg", 0, vfw::kDepth24, 24,
     vfw::SizeRule::Any, 1, 5000},
};
constexpr vfw::CompressorRow kNoMjpeg[] = {
    {mmioFOURCC('c', 'v', 'i', 'd'), u"Cinepak", u"Cinepak Codec", "cinepak", 0, vfw::kDepth24, 24,
     vfw::SizeRule::Any, 15, 5000},
};

// The resource modules of `folder` and a compressor table of the test's.
class CodecHolderTest : public ::testing::Test {
protected:
    void Use(const char* folder, std::span<const vfw::CompressorRow> rows)
    {
        if (const char* old = std::getenv("KESTRELON_MODULE_DIR"))
            m_previousFolder = old;
        SetEnvironmentVariableA("KESTRELON_MODULE_DIR", folder);
        m_application = std::make_unique<CResourceSwitch>();
        m_modules = std::make_unique<CResourceModules>();
        AfxSetResourceHandle(GetModuleHandleA(nullptr));
        vfw::OverrideCompressors(rows);
    }
    void TearDown() override
    {
        vfw::RestoreCompressors();
        m_modules.reset();
        m_application.reset();
        SetEnvironmentVariableA("KESTRELON_MODULE_DIR", m_previousFolder.empty() ? nullptr : m_previousFolder.c_str());
    }

private:
    std::string m_previousFolder;
    std::unique_ptr<CResourceSwitch> m_application;
    std::unique_ptr<CResourceModules> m_modules;
};

TEST_F(CodecHolderTest, WithoutAnMjpegCompressorNothingIsHeld)
{
    Use(KESTRELON_PROGRAM_MODULES, kNoMjpeg);
    CMjpegCodecHolder holder;
    EXPECT_EQ(CMjpegCodecHolder::GetHeldCodec(), nullptr);
}

TEST_F(CodecHolderTest, ACompressorWithTheMarkIsHeldUntilTheHolderGoes)
{
    Use(KESTRELON_PROGRAM_MODULES, kMarked);
    HIC held = nullptr;
    {
        CMjpegCodecHolder holder;
        held = CMjpegCodecHolder::GetHeldCodec();
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(ICSendMessage(held, ICM_GETINFO, 0, 0), static_cast<LRESULT>(sizeof(ICINFO)));
    }
    EXPECT_EQ(CMjpegCodecHolder::GetHeldCodec(), nullptr);
    EXPECT_EQ(ICSendMessage(held, ICM_GETINFO, 0, 0), ICERR_BADHANDLE);
}

TEST_F(CodecHolderTest, ACompressorWithoutTheMarkIsClosed)
{
    Use(KESTRELON_PROGRAM_MODULES, kUnmarked);
    CMjpegCodecHolder holder;
    EXPECT_EQ(CMjpegCodecHolder::GetHeldCodec(), nullptr);
}

// The media tests' module has no string 1273: the empty mark is in every
// description.
TEST_F(CodecHolderTest, AnEmptyMarkHoldsAnyMjpegCompressor)
{
    Use(KESTRELON_SB_MEDIA_FIXTURE_MODULES, kUnmarked);
    CMjpegCodecHolder holder;
    EXPECT_NE(CMjpegCodecHolder::GetHeldCodec(), nullptr);
}

} // namespace
