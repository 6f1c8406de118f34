#pragma once
// CProductionSettings: how the storyboard is produced into a file: output
// type, frame size and rate, bit depth, the AVI compression options with
// their bitmap format, the MPEG, DV and audio parameters, the installed
// video compressors that can be offered, the title, author and rights texts
// of the produced file, and whether only the strip selection is produced.
// The document owns one; the produce wizard edits it, the producer reads it.
//
// ProductionParams is a record of 768 bytes at fixed offsets: the
// production template store keeps it as one block, so its bytes are the
// same on every build. Its two pointer slots (the bitmap format and the
// compressor's state block) are 4-byte fields: the settings keep the real
// pointers beside the record. The format slot holds the offset of the
// record's own bitmap header (728) while the format is that header, which
// is always the case here; CopyFrom puts it back after copying a record
// from elsewhere.

#include <cstddef>

#include "Platform/Mfc/String.h"
#include "Platform/Vfw/AviFile.h"
#include "Platform/Vfw/Icm.h"
#include "Platform/Win/Base/Bitmap.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/KLPtrList.h"

// AVICOMPRESSOPTIONS as the 32-bit record stores it (44 bytes).
struct StoredCompressOptions {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwKeyFrameEvery;
    DWORD dwQuality;
    DWORD dwBytesPerSecond;
    DWORD dwFlags;
    DWORD lpFormat;
    DWORD cbFormat;
    DWORD lpParms;
    DWORD cbParms;
    DWORD dwInterleaveEvery;
};
static_assert(sizeof(StoredCompressOptions) == 44);

struct ProductionParams {
    static constexpr std::size_t kSize = 768;
    static constexpr std::size_t kPathLength = 260;
    static constexpr std::size_t kWindowsMediaAudio = 628;

    ProductionParams();
    // A byte copy of `other` with the format slot pointing at this
    // record's own header again.
    void CopyFrom(const ProductionParams& other);
    // The Windows Media audio format, which overlays 628-647.
    void GetWindowsMediaFormat(WAVEFORMATEX* format) const;
    void SetWindowsMediaFormat(const WAVEFORMATEX& format);

    char m_szOutputPath[kPathLength];
    char m_szSecondPath[kPathLength];
    INT m_nOutputType;
    INT m_nWidth;
    INT m_nHeight;
    INT m_nFrameMicroseconds;
    WORD m_wBitsPerPixel;
    WORD m_wUnused;
    StoredCompressOptions m_Compress;
    INT m_nWriterParam1;
    INT m_nWriterParam2;
    INT m_nParamA;
    INT m_nParamB;
    INT m_nMpegWidth;
    INT m_nMpegHeight;
    INT m_nRealFrameMicroseconds;
    INT m_nMpegGop;
    INT m_nMpegAnchor;
    INT m_nMpegFormat;
    INT m_nMpegRateCode;
    INT m_nMpegBitRate;
    // The fourth has its own setter (SetMpegPresetValue).
    INT m_nMpegEncoder[4];
    // MPEG: mode, -, stereo flag, audio bit-rate index, sample rate, -.
    INT m_nAudioOptions[6];
    INT m_nAudioFlags[4];
    INT m_nWriterValues[6];
    INT m_nPcmFormatIndex;
    INT m_nDvAudioIndex;
    INT m_nReserved[2];
    BITMAPINFOHEADER m_Format;
};
static_assert(sizeof(ProductionParams) == ProductionParams::kSize);
static_assert(offsetof(ProductionParams, m_szSecondPath) == 260);
static_assert(offsetof(ProductionParams, m_nOutputType) == 520);
static_assert(offsetof(ProductionParams, m_nWidth) == 524);
static_assert(offsetof(ProductionParams, m_nHeight) == 528);
static_assert(offsetof(ProductionParams, m_nFrameMicroseconds) == 532);
static_assert(offsetof(ProductionParams, m_wBitsPerPixel) == 536);
static_assert(offsetof(ProductionParams, m_Compress) == 540);
static_assert(offsetof(ProductionParams, m_Compress) + offsetof(StoredCompressOptions, lpFormat) == 564);
static_assert(offsetof(ProductionParams, m_Compress) + offsetof(StoredCompressOptions, lpParms) == 572);
static_assert(offsetof(ProductionParams, m_nWriterParam1) == 584);
static_assert(offsetof(ProductionParams, m_nWriterParam2) == 588);
static_assert(offsetof(ProductionParams, m_nParamA) == 592);
static_assert(offsetof(ProductionParams, m_nParamB) == 596);
static_assert(offsetof(ProductionParams, m_nMpegWidth) == 600);
static_assert(offsetof(ProductionParams, m_nMpegHeight) == 604);
static_assert(offsetof(ProductionParams, m_nRealFrameMicroseconds) == 608);
static_assert(offsetof(ProductionParams, m_nMpegGop) == 612);
static_assert(offsetof(ProductionParams, m_nMpegAnchor) == 616);
static_assert(offsetof(ProductionParams, m_nMpegFormat) == 620);
static_assert(offsetof(ProductionParams, m_nMpegRateCode) == 624);
static_assert(offsetof(ProductionParams, m_nMpegBitRate) == 628);
static_assert(offsetof(ProductionParams, m_nMpegEncoder) == 632);
static_assert(offsetof(ProductionParams, m_nMpegEncoder) + 3 * sizeof(INT) == 644);
static_assert(offsetof(ProductionParams, m_nAudioOptions) == 648);
static_assert(offsetof(ProductionParams, m_nAudioFlags) == 672);
static_assert(offsetof(ProductionParams, m_nWriterValues) == 688);
static_assert(offsetof(ProductionParams, m_nPcmFormatIndex) == 712);
static_assert(offsetof(ProductionParams, m_nDvAudioIndex) == 716);
static_assert(offsetof(ProductionParams, m_nReserved) == 720);
static_assert(offsetof(ProductionParams, m_Format) == 728);

// The installed compressors, as the codec list asks for them. Tests put
// a registry of their own in place of the system's.
struct CodecRegistry {
    BOOL (*Info)(DWORD fccType, DWORD fccHandler, ICINFO* info);
    HIC (*Open)(DWORD fccType, DWORD fccHandler, UINT mode);
    LRESULT (*GetInfo)(HIC hic, ICINFO* info, DWORD cb);
    LRESULT (*SendMessage)(HIC hic, UINT msg, DWORD_PTR dw1, DWORD_PTR dw2);
    LRESULT (*Close)(HIC hic);

    // The registry in use; SetCurrent(null) puts the system's back.
    static const CodecRegistry& Current();
    static const CodecRegistry* SetCurrent(const CodecRegistry* registry);
};

class CProductionSettings {
public:
    // Output types.
    static constexpr INT kAvi = 1;
    static constexpr INT kMpeg = 2;
    static constexpr INT kDv = 3;
    static constexpr INT kWindowsMedia = 4;
    static constexpr INT kRealVideo = 5;

    CProductionSettings();
    virtual ~CProductionSettings();
    CProductionSettings(const CProductionSettings&) = delete;
    CProductionSettings& operator=(const CProductionSettings&) = delete;

    ProductionParams& GetParams() { return m_Params; }
    const ProductionParams& GetParams() const { return m_Params; }
    // A whole record from elsewhere (a template), with its compressor state
    // block of cbParms bytes (null: none); the format is re-pointed.
    void SetParams(const ProductionParams& params, const void* compressorState);
    // The bitmap format and the compressor state block the record's pointer
    // slots stand for.
    BITMAPINFOHEADER* GetFormat() { return &m_Params.m_Format; }
    const void* GetCompressorState() const { return m_pCompressorState; }

    INT GetOutputType() const { return m_Params.m_nOutputType; }
    // Changing the type clears the words the types share (628-647), so that
    // no type reads another's values; Windows Media gets its default sound
    // format there.
    void SetOutputType(INT type);

    INT GetMpegFormat() const { return m_Params.m_nMpegFormat; }
    void SetMpegFormat(INT format);
    INT GetMpegFrameRateCode() const { return m_Params.m_nMpegRateCode; }
    void SetMpegFrameRateCode(INT code);
    INT GetMpegBitRate() const { return m_Params.m_nMpegBitRate; }
    void SetMpegBitRate(INT rate);
    void SetMpegPresetValue(INT value);
    INT GetMpegMode() const { return m_Params.m_nAudioOptions[0]; }
    void SetMpegMode(INT mode);
    INT GetMpegStereo() const { return m_Params.m_nAudioOptions[2]; }
    void SetMpegStereo(INT stereo);
    INT GetMpegAudioRateIndex() const { return m_Params.m_nAudioOptions[3]; }
    void SetMpegAudioRateIndex(INT index);
    INT GetMpegSampleRate() const { return m_Params.m_nAudioOptions[4]; }
    void SetMpegSampleRate(INT rate);
    void GetMpegFrameSize(INT* width, INT* height) const;
    void SetMpegFrameSize(INT width, INT height);
    // Unless `keep`, the six ints become 0 first; then int `index` becomes
    // `value`. Returns the index.
    INT SelectAudioOption(INT index, INT value, INT keep);
    void SetAudioFlag1(INT value) { m_Params.m_nAudioFlags[0] = value; }
    void SetAudioFlag2(INT value) { m_Params.m_nAudioFlags[1] = value; }
    void SetAudioFlag3(INT value) { m_Params.m_nAudioFlags[2] = value; }
    void SetAudioFlag4(INT value) { m_Params.m_nAudioFlags[3] = value; }
    void SetParamA(INT value) { m_Params.m_nParamA = value; }
    void SetParamB(INT value) { m_Params.m_nParamB = value; }

    // The output's PCM format; *ok 0 when the settings name none.
    void GetAudioFormat(WAVEFORMATEX* format, INT* ok) const;
    // MPEG and Windows Media: the stream's channels, rate and bits (the
    // format tag as the caller set it), and the bytes per second.
    void GetStreamAudioFormat(INT* bytesPerSecond, WAVEFORMATEX* format) const;

    // The installed video compressors usable for AVI output, built once;
    // the number of entries.
    INT BuildCodecList();
    // -1 for an index outside the list; else the index, with the entry's
    // description and handler code.
    INT GetCodec(INT index, CString* name, INT* handler);
    INT GetCodecCount() const { return m_nCodecCount; }

    const CString& GetTitle() const { return m_strTitle; }
    const CString& GetAuthor() const { return m_strAuthor; }
    const CString& GetRights() const { return m_strRights; }
    void SetTitle(const CString& title) { m_strTitle = title; }
    void SetAuthor(const CString& author) { m_strAuthor = author; }
    void SetRights(const CString& rights) { m_strRights = rights; }

    INT m_bSelectionOnly = 0;
    INT m_bStoryboardValid = 0;
    INT m_nReserved = 0;

private:
    void FreeCompressorState();
    void DeleteCodecs();

    ProductionParams m_Params;
    KLPtrList<ICINFO*> m_Codecs;
    INT m_nCodecCount = 0;
    CString m_strTitle;
    CString m_strAuthor;
    CString m_strRights;
    // What the record's lpParms slot stands for: owned, cbParms bytes.
    BYTE* m_pCompressorState = nullptr;
};
