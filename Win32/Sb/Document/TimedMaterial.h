#pragma once
// TimedMaterial: a media file with a time axis. The scene plays the part
// from the in point for the duration, which always ends inside the media;
// the to-end flag makes the next format read (or a change acknowledged)
// run the scene from the in point to the end of the media. Only its
// subclasses are made.

#include "Win32/Sb/Document/FileMaterial.h"

class TimedMaterial : public FileMaterial {
public:
    // Entry names (untranslated strings) of timed materials.
    static constexpr UINT kKeyInPoint = 1026;
    static constexpr UINT kKeyToEnd = 1027;

    TimedMaterial(INT kind, LPCSTR path, double frameRate, INT storedFlag, const CMediaTime& inPoint,
                  const CMediaTime& duration, INT toEnd);
    TimedMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section);

    // Sets the to-end flag to `toEnd` and the duration to `time`, cut at the
    // end of the media; never open-ended.
    void SetDuration(const CMediaTime& time, INT toEnd) override;
    INT CanMoveStart(LONGLONG shift) const override;
    INT CanMoveEnd(LONGLONG shift) const override;
    void MoveStart(LONGLONG shift) override;
    CMediaTime GetInPoint() const override;
    CMediaTime GetOutPoint() const override;
    CMediaTime GetMediaLength() const override;
    void Save(const CString& documentPath, CProfile* profile, LPCSTR section) const override;
    // A changed file is measured again.
    INT AcknowledgeChange() override;
    void ReadFormat(CMediaSource* reader) override;

    void SetInPoint(const CMediaTime& time);
    // The duration that ends at `time`.
    void SetOutPoint(const CMediaTime& time);
    // The full length of the file as a reader sees it now; zero when none
    // opens.
    CMediaTime ProbeMediaLength() const;
    INT GetToEnd() const { return m_bToEnd; }

protected:
    CMediaTime m_tIn;
    CMediaTime m_tMediaLength;
    INT m_bToEnd = 0;
};
