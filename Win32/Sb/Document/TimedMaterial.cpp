#include "Win32/Sb/Document/TimedMaterial.h"

#include <memory>

#include "Win32/Sb/Document/ProfileKeys.h"
#include "Win32/Sb/Media/MediaSource.h"

TimedMaterial::TimedMaterial(INT kind, LPCSTR path, double frameRate, INT storedFlag, const CMediaTime& inPoint,
                             const CMediaTime& duration, INT toEnd)
    : FileMaterial(kind, path, frameRate, duration, storedFlag), m_bToEnd(toEnd)
{
    m_tIn += inPoint;
}

TimedMaterial::TimedMaterial(const CString& documentPath, const CProfile* profile, LPCSTR section)
    : FileMaterial(documentPath, profile, section)
{
    const CProfileKeys keys({kKeyInPoint, kKeyToEnd});
    m_bToEnd = keys.GetBool(profile, section, kKeyToEnd);
    m_tIn += keys.GetMediaTime(profile, section, kKeyInPoint);
}

void TimedMaterial::SetDuration(const CMediaTime& time, INT toEnd)
{
    m_bToEnd = toEnd;
    const double in = m_tIn.GetTotalMicroseconds();
    const double length = m_tMediaLength.GetTotalMicroseconds();
    const double end = in + time.GetTotalMicroseconds() < length ? in + time.GetTotalMicroseconds() : length;
    Material::SetDuration(Microseconds(end - in), 0);
}

INT TimedMaterial::CanMoveStart(LONGLONG shift) const
{
    const double moved = static_cast<double>(shift);
    if (m_tIn.GetTotalMicroseconds() + moved < 0.0)
        return 0;
    if (m_tDuration.GetTotalMicroseconds() - moved > m_tMediaLength.GetTotalMicroseconds())
        return 0;
    return Material::CanMoveStart(shift);
}

INT TimedMaterial::CanMoveEnd(LONGLONG shift) const
{
    const double out = GetOutPoint().GetTotalMicroseconds() + static_cast<double>(shift);
    if (out <= m_tIn.GetTotalMicroseconds() || out > m_tMediaLength.GetTotalMicroseconds())
        return 0;
    return Material::CanMoveEnd(shift);
}

void TimedMaterial::MoveStart(LONGLONG shift)
{
    SetInPoint(Microseconds(m_tIn.GetTotalMicroseconds() + static_cast<double>(shift)));
    Material::MoveStart(shift);
}

CMediaTime TimedMaterial::GetInPoint() const
{
    return m_tIn;
}

CMediaTime TimedMaterial::GetOutPoint() const
{
    return m_tIn + m_tDuration;
}

CMediaTime TimedMaterial::GetMediaLength() const
{
    return m_tMediaLength;
}

void TimedMaterial::Save(const CString& documentPath, CProfile* profile, LPCSTR section) const
{
    FileMaterial::Save(documentPath, profile, section);
    const CProfileKeys keys({kKeyInPoint, kKeyToEnd});
    keys.SetMediaTime(profile, section, kKeyInPoint, m_tIn);
    keys.SetInt(profile, section, kKeyToEnd, m_bToEnd);
}

INT TimedMaterial::AcknowledgeChange()
{
    const INT changed = FileMaterial::AcknowledgeChange();
    if (changed) {
        m_tMediaLength = ProbeMediaLength();
        if (m_bToEnd)
            SetDuration(m_tMediaLength - m_tIn, 0);
    }
    return changed;
}

void TimedMaterial::ReadFormat(CMediaSource* reader)
{
    m_bOpenEnded = 0;
    m_tMediaLength = CMediaTime();
    if (reader != nullptr && reader->IsOpen())
        m_tMediaLength += reader->m_tLength;
    if (m_bToEnd)
        SetDuration(m_tMediaLength - m_tIn, 0);
    FileMaterial::ReadFormat(reader);
}

void TimedMaterial::SetInPoint(const CMediaTime& time)
{
    m_tIn = CMediaTime();
    m_tIn += time;
}

void TimedMaterial::SetOutPoint(const CMediaTime& time)
{
    SetDuration(time - m_tIn, 0);
}

CMediaTime TimedMaterial::ProbeMediaLength() const
{
    std::unique_ptr<CMediaSource> reader(CreateReader());
    CMediaTime length;
    if (reader != nullptr && reader->IsOpen())
        length += reader->m_tLength;
    return length;
}
