#pragma once
// CMediaFile: the one place that decides what a file on disk is (from its
// extension; an MP2 file is opened to see whether it holds video) and which
// reader reads it. Callers make one per path, ask for the type code and,
// when they need frames, for a reader.
//
// The readers are made through a CMediaReaderFactory, which tests replace.
// Readers that do not exist yet (the DirectShow grab reader) come back null from the standard factory, and CreateReader
// reports 259 for them as for any reader that does not open.

#include "Platform/Mfc/Forward.h"
#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WinTypes.h"

class CMediaSource;

class CMediaReaderFactory {
public:
    virtual ~CMediaReaderFactory() = default;
    // On the first video and the first audio stream.
    virtual CMediaSource* CreateDShowReader(LPCSTR path);
    virtual CMediaSource* CreateAviFileReader(LPCSTR path);
    virtual CMediaSource* CreateStillImageReader(LPCSTR path);
    virtual CMediaSource* CreateRealMediaReader(LPCSTR path);
};

class CMediaFile {
public:
    // Type codes; one at a time.
    static constexpr INT kTypeNone = 0;
    static constexpr INT kTypeStoryboard = 1;
    static constexpr INT kTypeVideo = 2;
    static constexpr INT kTypeStill = 4;
    static constexpr INT kTypeAudio = 8;
    static constexpr INT kTypeScene = 128;
    static constexpr INT kTypeDescriptor = 2048;

    // Results; 0 is success.
    static constexpr INT kOk = 0;
    static constexpr INT kNoExtension = 257;
    static constexpr INT kUnknownExtension = 258;
    // Empty file, or a reader that does not open.
    static constexpr INT kCannotOpen = 259;
    static constexpr INT kMissing = 262;
    static constexpr INT kNoStatus = 264;

    explicit CMediaFile(LPCSTR path);
    virtual ~CMediaFile();

    // Re-targets the descriptor as the constructor sets it up; returns 0.
    INT SetPath(LPCSTR path);

    INT CheckExists(INT* exists);
    INT GetFileStatus(CFileStatus& status);
    INT IsRealMedia(INT* yes);
    INT IsWindowsMedia(INT* yes);
    INT IsMp3(INT* yes);
    INT IsMp2(INT* yes);
    // Returns 0, 257 or 258.
    INT DetectType(INT* type);
    // The caller owns the reader. 0 with a reader; 0 with none for the
    // types no reader reads (documents); else 257, 258, 259 or 262.
    INT CreateReader(CMediaSource** reader);
    // 0 only for a ".TIF" file whose compression is LZW; 1 otherwise, also
    // when the file cannot be read.
    INT CheckTiffCompression();
    // For a saved scene: 262 with *ok 0 and the resolved path of the first
    // media file it names that is missing (or the scene file's own path
    // when it is not a scene document); else 0 with *ok 1.
    INT CheckSceneMedia(INT* ok, CString& missingPath);

    // Replaces the factory the readers are made with (null restores the
    // standard one) and returns the one used before.
    static CMediaReaderFactory* SetReaderFactory(CMediaReaderFactory* factory);

    CString m_strPath;
    // After the last '.', as written; empty without one.
    CString m_strExt;
    INT m_bExists = 0;
    INT m_bValid = 0;
    INT m_nType = kTypeNone;

private:
    // Whether the extension equals `name` in any letter case.
    bool ExtensionIs(LPCSTR name) const;
    INT ProbeMp2(INT* type);
};
