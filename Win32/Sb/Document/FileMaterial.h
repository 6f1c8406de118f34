#pragma once
// FileMaterial: a material read from a media file: it keeps the file's
// picture size and bit depth and a stamp of the file's last-write time, by
// which a changed file is noticed. Only its subclasses are made.
//
// OpenMediaReader: opens a reader for a media file, or tells the user with
// a beep and a message why the file cannot be used.

#include "Win32/Sb/Document/Material.h"

class FileMaterial : public Material {
public:
    FileMaterial(INT kind, LPCSTR path, double frameRate, const CMediaTime& duration, INT storedFlag);
    // The media path of the section is resolved against `documentPath` and,
    // when the file is missing, offered to the shell's missing-media search.
    FileMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section);

    INT IsFileBased() const override;
    void GetSize(INT size[2]) const override;
    INT GetBitDepth() const override;
    CMediaSource* CreateReader() const override;
    INT CanCreateReader() const override;
    INT Verify() override;
    INT HasChanged() override;
    INT AcknowledgeChange() override;

    // Takes the format of the media from `reader` (null: the defaults).
    virtual void ReadFormat(CMediaSource* reader);

    // "YYYY MM DD hh mm ss " of the file's last-write time in UTC (20
    // characters), or empty when the file cannot be read. Taken from the
    // file's status, so a file that a reader holds open stamps as well.
    CString GetFileStamp() const;
    void RefreshStamp();
    // Reads the format through a reader of the file as it is.
    void ReadFormatFromFile();

protected:
    // The material's viewer made from one frame of its own reader; without a
    // reader the user is told that the picture cannot be shown.
    RDXViewer* CreatePictureViewer(RDXControl* owner, DWORD destination);

    CString m_strStamp;
    INT m_nWidth = 320;
    INT m_nHeight = 240;
    INT m_nBitDepth = 24;
};

// Makes a reader for `path` (owned by the caller) and returns 1; otherwise
// beeps, shows why the file cannot be used (the path in the message, then
// `suffix`) with `caption` and `buttons`, stores the button chosen in
// `*answer` and returns 0. A file of a type no reader reads (a storyboard
// file, say) cannot be used either.
INT OpenMediaReader(LPCSTR path, CMediaSource** reader, LPCSTR suffix, LPCSTR caption, INT* answer, UINT buttons);
