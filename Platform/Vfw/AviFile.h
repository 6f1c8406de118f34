#pragma once
// AVIFile: AVI and WAV files as streams of samples. Reading goes through
// FFmpeg's demuxers: every audio stream's bytes are held in memory once the
// file is open, so reads are sample-accurate at any position (an audio
// sample is one block of the stream's format; video streams give their
// information and format only). Files and streams are counted references:
// each Release drops one, and a stream keeps its file open.

#include "Platform/Vfw/VfwTypes.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinError.h"

struct IAVIFile;
struct IAVIStream;
using PAVIFILE = IAVIFile*;
using PAVISTREAM = IAVIStream*;

constexpr FOURCC streamtypeVIDEO = mmioFOURCC('v', 'i', 'd', 's');
constexpr FOURCC streamtypeAUDIO = mmioFOURCC('a', 'u', 'd', 's');

constexpr UINT OF_READ = 0x0000;
constexpr UINT OF_WRITE = 0x0001;
constexpr UINT OF_READWRITE = 0x0002;
constexpr UINT OF_SHARE_DENY_WRITE = 0x0020;
constexpr UINT OF_CREATE = 0x1000;

constexpr HRESULT AVIERR_OK = 0;
constexpr HRESULT MAKE_AVIERROR(DWORD error) { return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x4000 + error); }
constexpr HRESULT AVIERR_UNSUPPORTED = MAKE_AVIERROR(101);
constexpr HRESULT AVIERR_BADFORMAT = MAKE_AVIERROR(102);
constexpr HRESULT AVIERR_MEMORY = MAKE_AVIERROR(103);
constexpr HRESULT AVIERR_INTERNAL = MAKE_AVIERROR(104);
constexpr HRESULT AVIERR_BADFLAGS = MAKE_AVIERROR(105);
constexpr HRESULT AVIERR_BADPARAM = MAKE_AVIERROR(106);
constexpr HRESULT AVIERR_BADSIZE = MAKE_AVIERROR(107);
constexpr HRESULT AVIERR_BADHANDLE = MAKE_AVIERROR(108);
constexpr HRESULT AVIERR_FILEREAD = MAKE_AVIERROR(109);
constexpr HRESULT AVIERR_FILEWRITE = MAKE_AVIERROR(110);
constexpr HRESULT AVIERR_FILEOPEN = MAKE_AVIERROR(111);
constexpr HRESULT AVIERR_COMPRESSOR = MAKE_AVIERROR(112);
constexpr HRESULT AVIERR_NOCOMPRESSOR = MAKE_AVIERROR(113);
constexpr HRESULT AVIERR_READONLY = MAKE_AVIERROR(114);
constexpr HRESULT AVIERR_NODATA = MAKE_AVIERROR(115);
constexpr HRESULT AVIERR_BUFFERTOOSMALL = MAKE_AVIERROR(116);
constexpr HRESULT AVIERR_CANTCOMPRESS = MAKE_AVIERROR(117);
constexpr HRESULT AVIERR_USERABORT = MAKE_AVIERROR(198);
constexpr HRESULT AVIERR_ERROR = MAKE_AVIERROR(199);

constexpr DWORD AVIFILECAPS_CANREAD = 0x00000001;
constexpr DWORD AVIFILECAPS_CANWRITE = 0x00000002;
constexpr DWORD AVIFILECAPS_ALLKEYFRAMES = 0x00000010;
constexpr DWORD AVIFILECAPS_NOCOMPRESSION = 0x00000020;
constexpr DWORD AVIFILEINFO_HASINDEX = 0x00000010;
constexpr DWORD AVIFILEINFO_ISINTERLEAVED = 0x00000100;
constexpr DWORD AVISTREAMINFO_DISABLED = 0x00000001;
constexpr DWORD AVISTREAMINFO_FORMATCHANGES = 0x00010000;

// AVIStreamRead's sample count for "as many as fit".
constexpr LONG AVISTREAMREAD_CONVENIENT = -1;

struct AVIFILEINFO {
    DWORD dwMaxBytesPerSec;
    DWORD dwFlags;
    DWORD dwCaps;
    DWORD dwStreams;
    DWORD dwSuggestedBufferSize;
    DWORD dwWidth;
    DWORD dwHeight;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwLength;
    DWORD dwEditCount;
    char szFileType[64];
};
static_assert(sizeof(AVIFILEINFO) == 108);

struct AVISTREAMINFO {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwStart;
    DWORD dwLength;
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
};
static_assert(sizeof(AVISTREAMINFO) == 140);

constexpr DWORD AVICOMPRESSF_INTERLEAVE = 0x00000001;
constexpr DWORD AVICOMPRESSF_DATARATE = 0x00000002;
constexpr DWORD AVICOMPRESSF_KEYFRAMES = 0x00000004;
constexpr DWORD AVICOMPRESSF_VALID = 0x00000008;

struct AVICOMPRESSOPTIONS {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwKeyFrameEvery;
    DWORD dwQuality;
    DWORD dwBytesPerSecond;
    DWORD dwFlags;
    LPVOID lpFormat;
    DWORD cbFormat;
    LPVOID lpParms;
    DWORD cbParms;
    DWORD dwInterleaveEvery;
};
using LPAVICOMPRESSOPTIONS = AVICOMPRESSOPTIONS*;

void AVIFileInit();
void AVIFileExit();

// OF_READ opens an existing file; OF_WRITE | OF_CREATE makes a new one
// (written by AVIStreamWrite, finished by the last release). `handler` is
// ignored (no file handlers other than AVI and WAV).
HRESULT AVIFileOpen(PAVIFILE* file, LPCSTR path, UINT mode, const void* handler);
HRESULT AVIFileInfo(PAVIFILE file, AVIFILEINFO* info, LONG size);
// The `index`-th stream of `type` (0: of any type).
HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD type, LONG index);
ULONG AVIFileAddRef(PAVIFILE file);
ULONG AVIFileRelease(PAVIFILE file);

HRESULT AVIStreamInfo(PAVISTREAM stream, AVISTREAMINFO* info, LONG size);
// With `format` null, *size becomes the format's size; otherwise up to
// *size bytes of it are copied and *size becomes the full size.
HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG position, LPVOID format, LONG* size);
// Reads `samples` samples from `start` (AVISTREAMREAD_CONVENIENT: as many
// as `cb` holds). With `buffer` null only the sizes are answered. Reads at
// or past the end give 0 samples.
HRESULT AVIStreamRead(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG cb, LONG* bytes,
                      LONG* samplesRead);
LONG AVIStreamStart(PAVISTREAM stream);
// -1 for a bad stream.
LONG AVIStreamLength(PAVISTREAM stream);
// Milliseconds of sample `sample`, and the sample at `time` milliseconds.
LONG AVIStreamSampleToTime(PAVISTREAM stream, LONG sample);
LONG AVIStreamTimeToSample(PAVISTREAM stream, LONG time);
ULONG AVIStreamAddRef(PAVISTREAM stream);

// Writing. A file opened with OF_WRITE | OF_CREATE takes streams declared
// from their AVISTREAMINFO (dwScale / dwRate, dwSampleSize, dwInitialFrames,
// rcFrame; a video handler of 0 or 'DIB ' is uncompressed) and given their
// format before the first write; the file is written through a temporary
// file beside the target, in AVI 2.0 form (OpenDML past 1 GiB), and put in
// place when the file and every stream of it are released.
HRESULT AVIFileCreateStream(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFO* info);
// A stream that compresses the BITMAPINFO frames it is given with the
// installed compressor `options->fccHandler` (key-frame rate, quality
// 0..10000, data rate as the flags say) and writes them to `source`. The
// new stream holds a reference to `source`.
HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, const AVICOMPRESSOPTIONS* options,
                                const void* handler);
// The stream's format: a BITMAPINFO (the input format, for a compressed
// stream) or a WAVEFORMATEX.
HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, const void* format, LONG size);
// Writes `samples` samples at `start` (at or after the stream's end; a gap
// is filled with silence or repeated frames); AVIIF_KEYFRAME marks a key
// frame.
HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, const void* buffer, LONG cb, DWORD flags,
                       LONG* samplesWritten, LONG* bytesWritten);
ULONG AVIStreamRelease(PAVISTREAM stream);
