#pragma once
// Installable compressors (ICM): the video compressors of the system, found
// by type and handler code, opened in query or compress mode and driven by
// messages. The compressors are the rows of the compressor table
// (CompressorTable.h), each backed by an FFmpeg encoder; none has a
// configuration dialog, and none keeps a state block.

#include "Platform/Vfw/VfwTypes.h"

DECLARE_HANDLE(HIC);

constexpr FOURCC ICTYPE_VIDEO = mmioFOURCC('v', 'i', 'd', 'c');
constexpr FOURCC ICTYPE_AUDIO = mmioFOURCC('a', 'u', 'd', 'c');

constexpr UINT ICMODE_COMPRESS = 1;
constexpr UINT ICMODE_DECOMPRESS = 2;
constexpr UINT ICMODE_FASTDECOMPRESS = 3;
constexpr UINT ICMODE_QUERY = 4;
constexpr UINT ICMODE_FASTCOMPRESS = 5;
constexpr UINT ICMODE_DRAW = 8;

constexpr DWORD VIDCF_QUALITY = 0x0001;
constexpr DWORD VIDCF_CRUNCH = 0x0002;
constexpr DWORD VIDCF_TEMPORAL = 0x0004;
constexpr DWORD VIDCF_COMPRESSFRAMES = 0x0008;
constexpr DWORD VIDCF_DRAW = 0x0010;
constexpr DWORD VIDCF_FASTTEMPORALC = 0x0020;
constexpr DWORD VIDCF_QUALITYTIME = 0x0040;
constexpr DWORD VIDCF_FASTTEMPORALD = 0x0080;

constexpr LONG ICERR_OK = 0;
constexpr LONG ICERR_DONTDRAW = 1;
constexpr LONG ICERR_NEWPALETTE = 2;
constexpr LONG ICERR_UNSUPPORTED = -1;
constexpr LONG ICERR_BADFORMAT = -2;
constexpr LONG ICERR_MEMORY = -3;
constexpr LONG ICERR_INTERNAL = -4;
constexpr LONG ICERR_BADFLAGS = -5;
constexpr LONG ICERR_BADPARAM = -6;
constexpr LONG ICERR_BADSIZE = -7;
constexpr LONG ICERR_BADHANDLE = -8;
constexpr LONG ICERR_CANTUPDATE = -9;
constexpr LONG ICERR_ABORT = -10;
constexpr LONG ICERR_ERROR = -100;
constexpr LONG ICERR_BADBITDEPTH = -200;
constexpr LONG ICERR_BADIMAGESIZE = -201;

constexpr DWORD ICQUALITY_LOW = 0;
constexpr DWORD ICQUALITY_HIGH = 10000;
constexpr DWORD ICQUALITY_DEFAULT = 0xFFFFFFFF;

constexpr UINT ICM_USER = 0x4000;
constexpr UINT ICM_RESERVED = 0x5000;
constexpr UINT ICM_GETSTATE = ICM_RESERVED + 0;
constexpr UINT ICM_SETSTATE = ICM_RESERVED + 1;
constexpr UINT ICM_GETINFO = ICM_RESERVED + 2;
constexpr UINT ICM_CONFIGURE = ICM_RESERVED + 10;
constexpr UINT ICM_ABOUT = ICM_RESERVED + 11;
constexpr UINT ICM_GETDEFAULTQUALITY = ICM_RESERVED + 30;
constexpr UINT ICM_GETQUALITY = ICM_RESERVED + 31;
constexpr UINT ICM_SETQUALITY = ICM_RESERVED + 32;
constexpr UINT ICM_COMPRESS_GET_FORMAT = ICM_USER + 4;
constexpr UINT ICM_COMPRESS_GET_SIZE = ICM_USER + 5;
constexpr UINT ICM_COMPRESS_QUERY = ICM_USER + 6;
constexpr UINT ICM_COMPRESS_BEGIN = ICM_USER + 7;
constexpr UINT ICM_COMPRESS = ICM_USER + 8;
constexpr UINT ICM_COMPRESS_END = ICM_USER + 9;
constexpr UINT ICM_GETDEFAULTKEYFRAMERATE = ICM_USER + 42;
constexpr UINT ICM_COMPRESS_FRAMES_INFO = ICM_USER + 70;

constexpr DWORD ICCOMPRESS_KEYFRAME = 0x00000001;

struct ICINFO {
    DWORD dwSize;
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwVersion;
    DWORD dwVersionICM;
    WCHAR szName[16];
    WCHAR szDescription[128];
    WCHAR szDriver[128];
};
static_assert(sizeof(ICINFO) == 568);

struct ICCOMPRESS {
    DWORD dwFlags;
    LPBITMAPINFOHEADER lpbiOutput;
    LPVOID lpOutput;
    LPBITMAPINFOHEADER lpbiInput;
    LPVOID lpInput;
    DWORD* lpckid;
    DWORD* lpdwFlags;
    LONG lFrameNum;
    DWORD dwFrameSize;
    DWORD dwQuality;
    LPBITMAPINFOHEADER lpbiPrev;
    LPVOID lpPrev;
};

// What a sequence of frames will be: its rate (dwRate / dwScale frames per
// second), key-frame rate, quality and data rate in bytes per second.
struct ICCOMPRESSFRAMES {
    DWORD dwFlags;
    LPBITMAPINFOHEADER lpbiOutput;
    LPARAM lOutput;
    LPBITMAPINFOHEADER lpbiInput;
    LPARAM lInput;
    LONG lStartFrame;
    LONG lFrameCount;
    LONG lQuality;
    LONG lDataRate;
    LONG lKeyRate;
    DWORD dwRate;
    DWORD dwScale;
    DWORD dwOverheadPerFrame;
    DWORD dwReserved2;
    LPVOID GetData;
    LPVOID PutData;
};

// The installed compressor of `fccType` ('vidc', or 0 for any) with handler
// `fccHandler` (compared without case), or the `fccHandler`-th installed
// one when it is a small number. FALSE when there is none.
BOOL ICInfo(DWORD fccType, DWORD fccHandler, ICINFO* info);
// Null when no such compressor is installed or it cannot compress.
HIC ICOpen(DWORD fccType, DWORD fccHandler, UINT mode);
// Copies up to `cb` bytes of the compressor's ICINFO; answers the count.
LRESULT ICGetInfo(HIC hic, ICINFO* info, DWORD cb);
LRESULT ICClose(HIC hic);
LRESULT ICSendMessage(HIC hic, UINT msg, DWORD_PTR dw1, DWORD_PTR dw2);

// Compresses one frame; answers ICERR_OK with the packet in `data`, its size
// in lpbiOutput->biSizeImage and AVIIF_KEYFRAME in *lpdwFlags for a key frame.
DWORD ICCompress(HIC hic, DWORD dwFlags, LPBITMAPINFOHEADER lpbiOutput, LPVOID lpData,
                 LPBITMAPINFOHEADER lpbiInput, LPVOID lpBits, DWORD* lpckid, DWORD* lpdwFlags, LONG lFrameNum,
                 DWORD dwFrameSize, DWORD dwQuality, LPBITMAPINFOHEADER lpbiPrev, LPVOID lpPrev);

inline LRESULT ICCompressQuery(HIC hic, const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out)
{
    return ICSendMessage(hic, ICM_COMPRESS_QUERY, reinterpret_cast<DWORD_PTR>(in), reinterpret_cast<DWORD_PTR>(out));
}
inline LRESULT ICCompressGetFormat(HIC hic, const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out)
{
    return ICSendMessage(hic, ICM_COMPRESS_GET_FORMAT, reinterpret_cast<DWORD_PTR>(in),
                         reinterpret_cast<DWORD_PTR>(out));
}
inline LRESULT ICCompressGetFormatSize(HIC hic, const BITMAPINFOHEADER* in)
{
    return ICCompressGetFormat(hic, in, nullptr);
}
inline LRESULT ICCompressGetSize(HIC hic, const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out)
{
    return ICSendMessage(hic, ICM_COMPRESS_GET_SIZE, reinterpret_cast<DWORD_PTR>(in), reinterpret_cast<DWORD_PTR>(out));
}
inline LRESULT ICCompressBegin(HIC hic, const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out)
{
    return ICSendMessage(hic, ICM_COMPRESS_BEGIN, reinterpret_cast<DWORD_PTR>(in), reinterpret_cast<DWORD_PTR>(out));
}
inline LRESULT ICCompressEnd(HIC hic) { return ICSendMessage(hic, ICM_COMPRESS_END, 0, 0); }
inline LRESULT ICGetDefaultKeyFrameRate(HIC hic)
{
    DWORD rate = 0;
    ICSendMessage(hic, ICM_GETDEFAULTKEYFRAMERATE, reinterpret_cast<DWORD_PTR>(&rate), sizeof rate);
    return rate;
}
inline LRESULT ICGetDefaultQuality(HIC hic)
{
    DWORD quality = 0;
    ICSendMessage(hic, ICM_GETDEFAULTQUALITY, reinterpret_cast<DWORD_PTR>(&quality), sizeof quality);
    return quality;
}
inline BOOL ICQueryConfigure(HIC hic)
{
    return ICSendMessage(hic, ICM_CONFIGURE, static_cast<DWORD_PTR>(-1), 0) == ICERR_OK;
}
inline LRESULT ICConfigure(HIC hic, HWND hwnd)
{
    return ICSendMessage(hic, ICM_CONFIGURE, reinterpret_cast<DWORD_PTR>(hwnd), 0);
}
inline LRESULT ICGetState(HIC hic, LPVOID data, DWORD cb)
{
    return ICSendMessage(hic, ICM_GETSTATE, reinterpret_cast<DWORD_PTR>(data), cb);
}
inline LRESULT ICSetState(HIC hic, LPVOID data, DWORD cb)
{
    return ICSendMessage(hic, ICM_SETSTATE, reinterpret_cast<DWORD_PTR>(data), cb);
}
inline DWORD ICGetStateSize(HIC hic) { return static_cast<DWORD>(ICGetState(hic, nullptr, 0)); }
