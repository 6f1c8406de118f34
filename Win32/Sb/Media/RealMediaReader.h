#pragma once
// CRealMediaReader: a RealMedia clip as a frame source. It does not play
// the clip: every frame shows the clip's thumbnail (its first picture), or,
// when none can be taken, the decoration picture "realvideo.bmp" from the
// program folder (black when that is not installed either). Its clip texts
// (title, author, rights notice, properties) come from CRealMediaInfo.

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Sb/Media/FrameReader.h"

struct RMEDITFILE;
class CStillImageReader;

// The clip information of one RealMedia file.
class CRealMediaInfo {
public:
    static constexpr DWORD kPropertiesSize = 4096;
    static constexpr DWORD kAuthorSize = 260;
    static constexpr DWORD kTitleSize = 256;
    static constexpr DWORD kRightsSize = 260;

    // Opens the clip; `folder` is the program folder.
    CRealMediaInfo(LPCSTR path, LPCSTR folder);
    ~CRealMediaInfo();
    CRealMediaInfo(const CRealMediaInfo&) = delete;
    CRealMediaInfo& operator=(const CRealMediaInfo&) = delete;

    BOOL IsOpened() const { return m_bOpened != 0; }
    // Reads the texts, the streams and the properties of an opened clip.
    void ReadClipInfo();

    // Null when the clip did not answer the text.
    LPCSTR GetTitle() const { return m_bHasTitle ? m_szTitle : nullptr; }
    LPCSTR GetAuthor() const { return m_bHasAuthor ? m_szAuthor : nullptr; }
    LPCSTR GetRights() const { return m_bHasRights ? m_szRights : nullptr; }
    // "name: value\r\n" per text property, or null when there are none.
    LPCSTR GetProperties() const { return m_szProperties[0] != '\0' ? m_szProperties : nullptr; }

    char m_szFolder[MAX_PATH] = {};
    BYTE m_bOpened = 0;
    WORD m_nVideoWidth = 0;
    WORD m_nVideoHeight = 0;
    INT m_bHasVideo = 0;
    INT m_bHasAudio = 0;
    INT m_bHasEvents = 0;
    INT m_bHasImageMaps = 0;
    char m_szProperties[kPropertiesSize] = {};
    char m_szAuthor[kAuthorSize] = {};
    char m_szTitle[kTitleSize] = {};
    char m_szRights[kRightsSize] = {};
    RMEDITFILE* m_pEdit = nullptr;
    INT m_bInputGiven = 0;
    INT m_bReadOk = 0;

private:
    void ReadProperties();

    bool m_bHasTitle = false;
    bool m_bHasAuthor = false;
    bool m_bHasRights = false;
};

class CRealMediaReader : public CFrameReader {
public:
    // `programFolder` (ending in '/') is where "realvideo.bmp" is looked
    // for; null takes the folder of the program file.
    explicit CRealMediaReader(LPCSTR path, LPCSTR programFolder = nullptr);
    ~CRealMediaReader() override;

    INT HasVideo() override;
    INT HasAudio() override;
    INT HasEvents() override;
    INT HasImageMaps() override;
    INT HasProperties() override;
    void ReadAudio(INT block, INT ignored, MediaFrame* frame) override;
    void ReadVideo(INT frameIndex, INT heldIndex, MediaFrame* frame) override;
    // Open when the clip could be read or its thumbnail taken, whether or
    // not the decoration picture is installed.
    INT IsOpenImpl() override;
    INT CanAllocateImage() override;

    CString m_strPath;
    CRealMediaInfo* m_pInfo = nullptr;
    // Owned by the thumbnail library.
    BYTE* m_pThumbBits = nullptr;
    INT m_nThumbWidth = 0;
    INT m_nThumbHeight = 0;
    INT m_nDurationMs = 0;
    CStillImageReader* m_pFallback = nullptr;

private:
    bool TakeThumbnail();
};
