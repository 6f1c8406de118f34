#pragma once
// The RealMedia clip information and thumbnail calls the RealMedia reader
// makes: an edit object on a clip that answers its title, author, copyright
// and comment, its streams and its text properties, and a thumbnail of the
// clip's first picture. Backed by FFmpeg's RealMedia demuxer and RealVideo
// decoders; only RealMedia files are accepted.

#include "Platform/Win/Base/WinTypes.h"

constexpr INT RMEDIT_OK = 0;
constexpr INT RMEDIT_ERR_BAD_ARG = -1;
// Missing file, or a file that is not RealMedia.
constexpr INT RMEDIT_ERR_OPEN = -2;
constexpr INT RMEDIT_ERR_NO_MEMORY = -3;
constexpr INT RMEDIT_ERR_NO_ITEM = -4;

// The clip texts; a clip without one of them answers an empty text.
constexpr INT RMEDIT_TEXT_TITLE = 0;
constexpr INT RMEDIT_TEXT_AUTHOR = 1;
constexpr INT RMEDIT_TEXT_COPYRIGHT = 2;
constexpr INT RMEDIT_TEXT_COMMENT = 3;

struct RMEDITFILE;

struct RMSTREAMINFO {
    BOOL bHasAudio;
    BOOL bHasVideo;
    // Of the first video stream; 0 without one.
    INT nVideoWidth;
    INT nVideoHeight;
    // RealMedia events and image maps are not read; both stay 0.
    BOOL bHasEvents;
    BOOL bHasImageMaps;
    DWORD nDurationMs;
};

INT RMEditOpen(LPCSTR path, RMEDITFILE** file);
void RMEditClose(RMEDITFILE* file);
// Copies at most size - 1 bytes and a terminator.
INT RMEditGetText(RMEDITFILE* file, INT kind, LPSTR buffer, DWORD size);
INT RMEditGetStreamInfo(RMEDITFILE* file, RMSTREAMINFO* info);
// The clip's text properties (its metadata) by index from 0;
// RMEDIT_ERR_NO_ITEM past the last one.
INT RMEditGetProperty(RMEDITFILE* file, INT index, LPSTR name, DWORD nameSize, LPSTR value, DWORD valueSize);

// The first picture of the clip at "file:" + path (a plain path is taken
// too) as width x height x 3 bytes, blue, green, red, top row first, and
// the clip's duration. The bits belong to the library until
// CleanupRealThumb. FALSE, with nothing to clean up, when the clip has no
// picture that decodes.
BOOL GetRealThumb(LPCSTR url, BYTE** bits, INT* width, INT* height, INT* durationMs);
void CleanupRealThumb(BYTE* bits);
