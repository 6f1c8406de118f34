#include "Win32/Produce/WriterSettings.h"

#include <cstddef>
#include <cstring>

#include "Platform/Mfc/String.h"
#include "Win32/Produce/ProfiledWriter.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/ShellServices.h"

namespace {

constexpr std::size_t kRecordOffset = 584;
static_assert(offsetof(ProductionParams, m_nWriterParam1) == kRecordOffset);
static_assert(kRecordOffset + sizeof(WriterRecord) <= offsetof(ProductionParams, m_Format));

} // namespace

AVICOMPRESSOPTIONS CompressOptionsOf(const CProductionSettings& settings)
{
    const StoredCompressOptions& stored = settings.GetParams().m_Compress;
    const void* state = settings.GetCompressorState();
    return AVICOMPRESSOPTIONS{stored.fccType,
                              stored.fccHandler,
                              stored.dwKeyFrameEvery,
                              stored.dwQuality,
                              stored.dwBytesPerSecond,
                              stored.dwFlags,
                              nullptr,
                              0,
                              const_cast<void*>(state),
                              state != nullptr ? stored.cbParms : 0,
                              stored.dwInterleaveEvery};
}

WriterRecord WriterRecordOf(const ProductionParams& params)
{
    WriterRecord words{};
    std::memcpy(words.data(), reinterpret_cast<const BYTE*>(&params) + kRecordOffset, sizeof words);
    return words;
}

void LogProductionSettings(const ProductionParams& params, int audioIndex)
{
    CShellServices& shell = CShellServices::Get();
    if (shell.GetDebugLevel() <= 3)
        return;
    const StoredCompressOptions& stored = params.m_Compress;
    CString text;
    text.Format("\r\nProduction Settings\r\n===================\r\n"
                "Produce: %d x %d, %f fps, %d bpp, %d datarate, %d AudioIndex\r\n",
                params.m_nWidth, params.m_nHeight,
                params.m_nFrameMicroseconds != 0 ? 1000000.0 / params.m_nFrameMicroseconds : 0.0,
                params.m_wBitsPerPixel, static_cast<int>(stored.dwBytesPerSecond), audioIndex);
    shell.WriteDebugLog(text);
    text.Format("AVICOMPRESSOPTIONS: fccHandler:%x dwKeyFrameEvery:%d dwQuality:%d\r\n"
                "     dwBytesPerSecond:%d dwFlags:%x dwInterleaveEvery:%d\r\n",
                static_cast<unsigned>(stored.fccHandler), static_cast<int>(stored.dwKeyFrameEvery),
                static_cast<int>(stored.dwQuality), static_cast<int>(stored.dwBytesPerSecond),
                static_cast<unsigned>(stored.dwFlags), static_cast<int>(stored.dwInterleaveEvery));
    shell.WriteDebugLog(text);
}

void ConfigureProfiledWriter(ProfiledWriter& writer, const CProductionSettings& settings)
{
    ConfigureVideoWriter(writer, settings);
    writer.SetAudioIndex(2);
}
