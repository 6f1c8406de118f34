#pragma once
// Material: the media element of a scene: what the scene shows (a file, a
// still, a generated colour picture), with its kind, media path, the part
// of the media the scene plays, its frame rate and picture format, and the
// switch of the scene's own sound. The scene owns one material, asks it for
// the frame reader that turns the media into frames, for the viewer that
// shows it on the preview, and lets it write and read its entries in the
// scene's section of a storyboard or scene file.
//
// The class tree: Material > FileMaterial > StillMaterial, TimedMaterial >
// VideoMaterial > RealMediaMaterial; Material > GeneratedMaterial >
// ColorMaterial. Every concrete class answers the same virtual questions in
// its own way; the base answers them for a material without media.
//
// Times are CMediaTime values held at 1,000,000 units per second. The ends
// of a scene move by a signed shift in microseconds (a CMediaTime holds no
// negative value): a negative shift moves an end earlier.

#include <memory>

#include "Platform/Mfc/String.h"
#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/MediaTime.h"

class CMediaSource;
class CProfile;
class RDXControl;
class RDXViewer;

class Material {
public:
    static constexpr INT kKindStill = 1;
    static constexpr INT kKindVideo = 2;
    static constexpr INT kKindGenerated = 5;
    // Stored by older files for a generated picture; read back as 5.
    static constexpr INT kKindOldGenerated = 4;

    // Entry names (untranslated strings) of every material.
    static constexpr UINT kKeyPath = 1020;
    static constexpr UINT kKeyKind = 1021;
    static constexpr UINT kKeyFrameRate = 1022;
    static constexpr UINT kKeyDuration = 1023;
    static constexpr UINT kKeyStoredFlag = 1024;
    static constexpr UINT kKeyOpenEnded = 1025;
    static constexpr UINT kKeyAudio = 1028;
    // The application setting that new materials take their audio switch
    // from: section name and entry name (untranslated strings).
    static constexpr UINT kSettingsSection = 1280;
    static constexpr UINT kNewMediaAudioEntry = 1561;

    // An open-ended material keeps a zero duration.
    Material(INT kind, LPCSTR path, double frameRate, const CMediaTime& duration, INT storedFlag, INT openEnded);
    // Reads the entries of `section`; `documentPath` is the folder of the
    // document the section belongs to (empty for the clipboard).
    Material(const CString& documentPath, const CProfile* profile, LPCSTR section);
    virtual ~Material();
    Material(const Material&) = delete;
    Material& operator=(const Material&) = delete;

    // A new material of the same class and settings (file materials read
    // their file again), with this one's audio switch.
    virtual Material* Clone() const;
    // Whether a reader can be made and opens.
    virtual INT CanOpen() const;
    // Null empties the path.
    virtual void SetPath(LPCSTR path);
    // With `openEnded` 0 the duration becomes `time`; with 1 it becomes zero
    // and the material open-ended. Timed materials keep the end inside the
    // media.
    virtual void SetDuration(const CMediaTime& time, INT openEnded);
    // Width and height.
    virtual void GetSize(INT size[2]) const;
    virtual INT GetBitDepth() const;
    // The PCM format of the media's sound, or null.
    virtual const PCMWAVEFORMAT* GetAudioFormat() const;
    virtual INT HasAudioFormat() const;
    // Two yes/no properties of the media (RealMedia: events, image maps).
    virtual INT GetMediaFlag1() const;
    virtual INT GetMediaFlag2() const;
    // The media's property listing, author, title and rights notice; null
    // when the media does not give them.
    virtual LPCSTR GetMediaInfoText0() const;
    virtual LPCSTR GetMediaInfoText1() const;
    virtual LPCSTR GetMediaInfoText2() const;
    virtual LPCSTR GetMediaInfoText3() const;
    virtual INT CanMoveStart(LONGLONG shift) const;
    virtual INT CanMoveEnd(LONGLONG shift) const;
    virtual void MoveStart(LONGLONG shift);
    virtual void MoveEnd(LONGLONG shift);
    virtual INT IsFileBased() const;
    virtual CMediaTime GetDuration() const;
    virtual void GetDurationEx(CMediaTime* duration, INT* openEnded) const;
    virtual CMediaTime GetInPoint() const;
    virtual CMediaTime GetOutPoint() const;
    // The full length of the media.
    virtual CMediaTime GetMediaLength() const;
    virtual INT ProbeTime(const CMediaTime& time, INT flag);
    virtual INT ProbeStart(INT flag);
    // A new reader owned by the caller, or null.
    virtual CMediaSource* CreateReader() const;
    virtual INT CanCreateReader() const;
    virtual RDXViewer* GetViewer() const;
    virtual void ReleaseViewer();
    // The material's viewer, made on first use (null when none can be).
    virtual RDXViewer* CreateViewer(RDXControl* owner, DWORD destination, INT extra);
    // Whether the media can be used; file materials tell the user why not.
    virtual INT Verify();
    virtual void Save(const CString& documentPath, CProfile* profile, LPCSTR section) const;
    virtual COLORREF GetColor() const;
    virtual void SetColor(const COLORREF* colour);
    virtual INT GetAudioEnabled() const;
    virtual void SetAudioEnabled(INT enabled);
    // Whether the media changed since it was last acknowledged.
    virtual INT HasChanged();
    // Answers HasChanged and takes the media as it is now.
    virtual INT AcknowledgeChange();

    INT GetKind() const { return m_nKind; }
    LPCSTR GetPath() const { return m_strPath; }
    double GetFrameRate() const { return m_dFrameRate; }
    INT GetStoredFlag() const { return m_bStored; }
    INT IsOpenEnded() const { return m_bOpenEnded; }

protected:
    // The four media information texts, in the order of GetMediaInfoText0..3.
    static constexpr int kInfoTexts = 4;

    // A microsecond time of `microseconds`, zero below zero.
    static CMediaTime Microseconds(double microseconds);

    INT m_nKind;
    CString m_strPath;
    CMediaTime m_tDuration;
    INT m_bStored = 0;
    INT m_bOpenEnded = 0;
    INT m_bChanged = 0;
    double m_dFrameRate = 0.0;
    std::unique_ptr<char[]> m_pszInfo[kInfoTexts];
    RDXViewer* m_pViewer = nullptr;
    INT m_bAudio = 1;
};
