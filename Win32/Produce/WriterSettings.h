#pragma once
// What the producer hands the writers from the production settings: the
// AVI compression options as a live record, the 32 words from offset 584
// (the MPEG words, or the Windows Media or RealVideo profile record), and
// the settings' debug log lines.

#include <array>

#include "Platform/Vfw/AviFile.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Document/ProductionSettings.h"

class ProfiledWriter;

constexpr int kWriterRecordWords = 32;
using WriterRecord = std::array<INT32, kWriterRecordWords>;

// The stored options with their state block (the settings' own copy).
AVICOMPRESSOPTIONS CompressOptionsOf(const CProductionSettings& settings);
// The 32 words from offset 584 of the parameter block.
WriterRecord WriterRecordOf(const ProductionParams& params);
// "Production Settings" and the compression options, to the debug log
// when its level is above 3.
void LogProductionSettings(const ProductionParams& params, int audioIndex);
// What every writer with pictures takes first, in the order the producer
// gives it: output name, frame size and time, compression options, bit
// depth. The writers hide these setters rather than override them, so the
// writer's own type is kept.
template <typename Writer>
void ConfigureVideoWriter(Writer& writer, const CProductionSettings& settings)
{
    const ProductionParams& params = settings.GetParams();
    writer.SetOutputName(params.m_szOutputPath);
    writer.SetFrameSize(params.m_nWidth, params.m_nHeight);
    writer.SetFrameTime(static_cast<DWORD>(params.m_nFrameMicroseconds));
    writer.SetCompressOptions(CompressOptionsOf(settings));
    writer.SetBitDepth(params.m_wBitsPerPixel);
}

// The Windows Media and RealVideo writers' common settings, in the order
// the producer gives them: output name, frame size and time, compression
// options, bit depth, the interim sound format (code 2).
void ConfigureProfiledWriter(ProfiledWriter& writer, const CProductionSettings& settings);
