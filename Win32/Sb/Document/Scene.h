#pragma once
// Stand-in for the storyboard scene until the scene work replaces this file:
// a scene that holds no material yet, which is all the storyboard needs to
// keep scenes on their slots and lay them out in time. For the overlay of a
// motion effect it also keeps a media path, which it stores under the media
// path name and opens a frame reader for (the whole media, in point 0).

#include <memory>

#include "Platform/Mfc/String.h"
#include "Win32/Sb/Document/StoryboardItem.h"
#include "Win32/Utils/GfxTypes.h"

class CMediaSource;
class CProfile;

class Scene : public StoryboardItem {
public:
    Scene();
    explicit Scene(LPCSTR mediaPath);
    // The media path; never the reader.
    Scene(const Scene& other);
    ~Scene() override;

    INT GetKind() const override { return kKindScene; }
    StoryboardItem* Clone() const override { return new Scene(*this); }
    // Without a material a scene is not usable, has no length and shares no
    // material with any other scene.
    BOOL IsValid() const override { return FALSE; }
    CMediaTime GetDuration() const override { return CMediaTime(); }
    BOOL IsSame(const StoryboardItem*) const override { return FALSE; }
    MediaFrame* GetThumbnail() override { return m_pThumbnail; }

    // Null without a media path.
    LPCSTR GetMediaPath() const;
    // 0, and the end of the media while the reader is open.
    void GetInPoint(CMediaTime& time) const;
    void GetOutPoint(CMediaTime& time) const;
    // Opens the media's reader for frames of `size` at `fps` (0 counts as
    // 15) positioned at the in point; 1 when a reader is open.
    INT OpenReader(const CGfxSize& size, double fps);
    void CloseReader();
    CMediaSource* GetReader() const { return m_pReader.get(); }
    // The media path relative to `documentFolder`; Load reads it back and
    // returns 1, or 0 when the profile is null or holds no path.
    void Save(LPCSTR documentFolder, CProfile* profile, LPCSTR section);
    INT Load(LPCSTR documentFolder, CProfile* profile, LPCSTR section);

private:
    CString m_strMediaPath;
    std::unique_ptr<CMediaSource> m_pReader;
};
