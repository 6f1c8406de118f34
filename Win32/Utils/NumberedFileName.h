#pragma once
// Numbered file names for captures, stills, images and audio: stem, a
// three-digit number and the extension ("Capture007.avi"). Each function
// returns the full name chosen, or an empty string when 1000 numbers in a
// row gave no usable name.
//
// The counter always points just past the last number handed out, and
// numbers wrap from 999 back to 000. The capture, still, image and audio
// names keep a process-wide counter each (UI thread only, no locking).

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"

// Untranslated strings: the extensions of audio, captured video and stills;
// language string: the base name used when the caller gives none.
constexpr UINT IDS_AUDIO_FILE_EXTENSION = 1249;
constexpr UINT IDS_CAPTURE_FILE_EXTENSION = 1250;
constexpr UINT IDS_STILL_FILE_EXTENSION = 1287;
constexpr UINT IDS_DEFAULT_BASE_NAME = 61274;

// Tries stem + "%03d" of the counter + extension, advancing the counter
// modulo 1000 after each try, until a name is free (or `bOverwrite` is set)
// and IsPathWritable accepts it. A counter outside 0..999 starts at 0.
CString NextNumberedFileName(const CString& stem, const CString& extension, int& counter, BOOL bOverwrite);

// The stem is `base` without its extension, in `folder` unless `base` is
// already an absolute path.
CString MakeNumberedFileName(LPCSTR folder, LPCSTR base, LPCSTR extension, int& counter, BOOL bOverwrite);
// An empty `base` means the language module's default base name.
CString MakeNumberedCaptureFileName(LPCSTR folder, LPCSTR base, BOOL bOverwrite);
CString MakeNumberedStillFileName(LPCSTR folder, LPCSTR base);
// An empty `extension` means the still-image extension.
CString MakeNumberedImageFileName(LPCSTR folder, LPCSTR base, LPCSTR extension);
CString MakeNumberedAudioFileName(LPCSTR folder, LPCSTR base, BOOL bOverwrite);
