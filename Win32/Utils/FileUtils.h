#pragma once
// Free helpers for paths, files, file extensions, slot parity, the user's
// decimal separator and the date-and-time text.
//
// Paths in memory are native: '/' separates. Storyboard and library files
// keep media next to them in the relative form "$\" followed by one "..\"
// per folder to climb, always written with backslashes so that the files
// have the same bytes everywhere; MakeRelativePath produces that form and
// ResolveRelativePath reads it back (with either separator).
//
// The top-level folder of an absolute path ("/home/", "/mnt/") plays the
// part a drive plays on Windows: a path whose first folder differs from the
// base's, or a file lying directly in "/", is kept absolute. Folder names
// are compared exactly, since two names that differ only in case are two
// folders here.

#include "Platform/Mfc/MfcTime.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"

// Keeps what follows the last '/'; a path without one, or whose last '/' is
// its first character, stays as it is. Returns the position of that '/'
// (-1 when there is none).
int StripToFileName(CString& path);
// Keeps everything up to and including the last '/'; unchanged when there
// is none or it is the first character.
void StripToDirectory(CString& path);

// Rewrites `path` relative to the folder `base` ("/Clips/Stories/" makes
// "/Clips/a.avi" into "$\..\a.avi"). The base may lack its trailing '/' and
// may hold doubled separators. A path that does not share the base's
// top-level folder stays as it is, as do stored Windows paths.
void MakeRelativePath(LPCSTR base, CString& path);
// Turns a path of the "$\" form (backslashes or '/') into a native path
// below the folder `base`; a relative base is taken from the current
// folder, and "..\" parts climb above the folders it names. Surplus
// "..\" parts stop at the root "/". Every
// other path, including absolute Windows paths read from old files
// ("C:\Clips\a.avi", which cannot exist here and go to the missing-media
// search), stays as it is; so does everything when `base` is empty.
void ResolveRelativePath(LPCSTR base, CString& path);
// True for a path with a drive letter ("C:\", "C:/") or a UNC prefix
// ("\\server"): a path written by the Windows program, never a native one.
BOOL IsWindowsAbsolutePath(LPCSTR path);

// Free bytes available to the caller on the file system that holds `path`
// (the nearest existing folder above it when the path does not exist yet;
// the current folder for a relative path). Nonzero on success; on failure
// `*freeBytes` is 0.
BOOL GetDiskFreeBytes(LPCSTR path, ULONGLONG* freeBytes);
// The whole size of the file (captures pass 4 GiB); 0 when it cannot be
// opened.
ULONGLONG GetFileSizeByName(LPCSTR name);
BOOL FileExists(LPCSTR name);
BOOL FileExistsStr(const CString& name);
// Whether the file can be written: an existing file that is read-only, is a
// folder or cannot be opened for writing gives 0; a missing file gives 1
// when it can be created (it is created and deleted again to find out).
// A null or empty name gives 0.
BOOL IsPathWritable(LPCSTR name);

// The text after the last '.' compared without regard to case; a name
// without '.' gives 0.
BOOL IsMp2Extension(LPCSTR name);
BOOL IsMp3Extension(LPCSTR name);
BOOL IsCdaExtension(LPCSTR name);
// "M2P", "M2S", "MPV" or "MPEG2".
BOOL IsMpeg2Extension(LPCSTR name);

// Storyboard slots: even slots hold scenes, odd ones transitions.
inline BOOL IsEven(int n) { return (n & 1) == 0; }
inline BOOL IsOdd(int n) { return (n & 1) != 0; }

// The user's decimal separator when the locale gives exactly one character,
// else '.'.
char GetUserDecimalSeparator();
// Every '.' that follows a digit (and so is not the first character)
// becomes the user's decimal separator; nothing changes when that is '.'.
// The forms with `separator` use the one given instead.
void LocalizeDecimalPoint(char* text);
void LocalizeDecimalPoint(char* text, char separator);
void LocalizeDecimalPointStr(CString& text);
void LocalizeDecimalPointStr(CString& text, char separator);
// The reverse: every separator that follows a digit becomes '.'.
void DelocalizeDecimalPoint(CString& text);
void DelocalizeDecimalPoint(CString& text, char separator);

// The user's short date, one blank and the time without seconds, for the
// local time of `time`. Empty when the time cannot be expressed.
void FormatDateTime(CString& out, const CTime& time);
