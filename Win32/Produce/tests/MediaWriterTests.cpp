#include "Platform/Win/Kernel/Files.h"
#include "Win32/Produce/MediaWriter.h"

#include <gtest/gtest.h>


#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Win32/Sb/Media/MediaFrame.h"
#include "tests/support/TempDir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;

// A writer that writes one byte per frame into its temporary file.
class ByteWriter : public MediaWriter {
public:
    ByteWriter()
    {
        m_strExtension = ".avi";
        SetDefaultVideoFormat();
        SetDefaultAudioFormat();
    }

    int Write(MediaFrame&, int) override
    {
        if (m_strTempName.IsEmpty()) {
            if (const int made = MakeTempFileName(); made != kWriterOk)
                return made;
        }
        std::ofstream out(static_cast<LPCSTR>(m_strTempName), std::ios::app | std::ios::binary);
        out << 'f';
        ++m_nFramesWritten;
        return kWriterOk;
    }

    int Close(int finish) override { return FinishFile(finish); }
};

int WriteFrames(MediaWriter& writer, int count)
{
    MediaFrame frame;
    for (int i = 0; i < count; ++i)
        if (const int result = writer.Write(frame, 0); result != kWriterOk)
            return result;
    return kWriterOk;
}

TEST(MediaWriter, SettersRejectBadValuesAndKeepTheOldOnes)
{
    ByteWriter writer;
    EXPECT_EQ(writer.SetBitDepth(12), kWriterBadDepth);
    WORD bits = 0;
    writer.GetBitDepth(&bits);
    EXPECT_EQ(bits, 24);
    EXPECT_EQ(writer.SetBitDepth(0x10008), kWriterOk);
    writer.GetBitDepth(&bits);
    EXPECT_EQ(bits, 8);

    EXPECT_EQ(writer.SetFrameTime(0), kWriterBadFrameTime);
    DWORD frameTime = 0;
    writer.GetFrameTime(&frameTime);
    EXPECT_EQ(frameTime, 66667u);

    CString name = "old";
    EXPECT_EQ(writer.GetOutputName(name), kWriterNoOutputName);
    EXPECT_TRUE(name.IsEmpty());
}

TEST(MediaWriter, AudioFormatDefaultsAndMarking)
{
    ByteWriter writer;
    PCMWAVEFORMAT format{};
    writer.GetAudioFormat(&format);
    EXPECT_EQ(format.wf.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.wf.nSamplesPerSec, 11025u);
    EXPECT_EQ(format.wBitsPerSample, 8);
    EXPECT_EQ(writer.SetAudioFormat(PCMWAVEFORMAT{{WAVE_FORMAT_PCM, 2, 44100, 176400, 4}, 16}), kWriterOk);
    EXPECT_EQ(writer.m_bAudioFormatSet, 1);
    writer.GetAudioFormat(&format);
    EXPECT_EQ(format.wf.nChannels, 2);
}

TEST(MediaWriter, ExtensionsByOutputType)
{
    const std::pair<int, std::string> cases[] = {{1, ".avi"}, {2, ".mpg"}, {3, ".avi"}, {4, ".wmv"},
                                                 {5, ".rm"},  {6, ".avi"}, {0, ".avi"}};
    for (const auto& [type, extension] : cases)
        EXPECT_EQ(WriterExtensionForType(type), extension) << type;
}

// Files of the temporary names that no running production claims are what
// killed productions left: they are swept, and never block a production.
TEST(MediaWriter, LeftoversOfEndedProductionsAreSweptAndNeverBlock)
{
    TempDir dir;
    for (int n = 0; n < 100; ++n)
        dir.Write("MMERGE" + std::to_string(n) + ".avi", "killed run");
    dir.Write("MMERGE5.mpg", "another writer's kind");
    ByteWriter writer;
    writer.SetOutputName(dir.File("movie.avi").c_str());
    ASSERT_EQ(WriteFrames(writer, 1), kWriterOk);
    EXPECT_EQ(std::string(writer.m_strTempName), dir.File("MMERGE0.avi"));
    for (int n = 1; n < 100; ++n)
        EXPECT_FALSE(std::filesystem::exists(dir.File("MMERGE" + std::to_string(n) + ".avi"))) << n;
    EXPECT_EQ(ReadFile(dir.File("MMERGE5.mpg")), "another writer's kind");
    EXPECT_EQ(writer.Close(1), kWriterOk);
    EXPECT_EQ(ReadFile(dir.File("movie.avi")), "f");
}

// A production still running keeps its temporary file and its name; the
// next one takes the next name, and once it is finished its name is free.
TEST(MediaWriter, NamesOfRunningProductionsAreNeitherTakenNorSwept)
{
    TempDir dir;
    ByteWriter first;
    first.SetOutputName(dir.File("one.avi").c_str());
    ASSERT_EQ(WriteFrames(first, 2), kWriterOk);
    ByteWriter second;
    second.SetOutputName(dir.File("two.avi").c_str());
    ASSERT_EQ(WriteFrames(second, 1), kWriterOk);
    EXPECT_EQ(std::string(first.m_strTempName), dir.File("MMERGE0.avi"));
    EXPECT_EQ(std::string(second.m_strTempName), dir.File("MMERGE1.avi"));
    EXPECT_EQ(ReadFile(dir.File("MMERGE0.avi")), "ff");
    EXPECT_EQ(first.Close(1), kWriterOk);
    ByteWriter third;
    third.SetOutputName(dir.File("three.avi").c_str());
    ASSERT_EQ(third.MakeTempFileName(), kWriterOk);
    EXPECT_EQ(std::string(third.m_strTempName), dir.File("MMERGE0.avi"));
    EXPECT_EQ(ReadFile(dir.File("MMERGE1.avi")), "f");
}

TEST(MediaWriter, AllHundredNamesClaimedFailsInsteadOfOverwriting)
{
    TempDir dir;
    std::vector<std::unique_ptr<ByteWriter>> running;
    for (int n = 0; n < 100; ++n) {
        running.push_back(std::make_unique<ByteWriter>());
        running.back()->SetOutputName(dir.File("movie" + std::to_string(n) + ".avi").c_str());
        ASSERT_EQ(WriteFrames(*running.back(), 1), kWriterOk) << n;
    }
    ByteWriter writer;
    writer.SetOutputName(dir.File("movie.avi").c_str());
    EXPECT_EQ(WriteFrames(writer, 1), kWriterOpenFailed);
    EXPECT_TRUE(writer.m_strTempName.IsEmpty());
    EXPECT_EQ(ReadFile(dir.File("MMERGE99.avi")), "f");
}

TEST(MediaWriter, FinishingCloseReplacesTheTarget)
{
    TempDir dir;
    const std::string target = dir.Write("movie.avi", "old contents");
    ByteWriter writer;
    writer.SetOutputName(target.c_str());
    ASSERT_EQ(WriteFrames(writer, 3), kWriterOk);
    EXPECT_EQ(writer.Close(1), kWriterOk);
    EXPECT_EQ(ReadFile(target), "fff");
    EXPECT_FALSE(std::filesystem::exists(dir.File("MMERGE0.avi")));
}

TEST(MediaWriter, ReadOnlyTargetIsReplaced)
{
    TempDir dir;
    const std::string target = dir.Write("movie.avi", "old contents");
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    ByteWriter writer;
    writer.SetOutputName(target.c_str());
    ASSERT_EQ(WriteFrames(writer, 2), kWriterOk);
    EXPECT_EQ(writer.Close(1), kWriterOk);
    EXPECT_EQ(ReadFile(target), "ff");
}

TEST(MediaWriter, AbandoningCloseRemovesTheTempFileAndKeepsTheTarget)
{
    TempDir dir;
    const std::string target = dir.Write("movie.avi", "old contents");
    ByteWriter writer;
    writer.SetOutputName(target.c_str());
    ASSERT_EQ(WriteFrames(writer, 2), kWriterOk);
    EXPECT_EQ(writer.Close(0), kWriterOk);
    EXPECT_EQ(ReadFile(target), "old contents");
    EXPECT_FALSE(std::filesystem::exists(dir.File("MMERGE0.avi")));
}

TEST(MediaWriter, FailedRenameIsReportedAndTheTempFileStays)
{
    TempDir dir;
    // A folder that is not empty can be neither deleted nor replaced.
    const std::string target = dir.File("movie.avi");
    std::filesystem::create_directory(target);
    dir.Write("movie.avi/inside", "x");
    ByteWriter writer;
    writer.SetOutputName(target.c_str());
    ASSERT_EQ(WriteFrames(writer, 1), kWriterOk);
    EXPECT_EQ(writer.Close(1), kWriterOpenFailed);
    EXPECT_EQ(ReadFile(dir.File("MMERGE0.avi")), "f");
}

} // namespace
