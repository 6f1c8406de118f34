#pragma once
// The common base of the two things a storyboard holds: scenes on even slots
// and transitions on odd ones. The storyboard uses only the kind, the length,
// the start and end times and the virtual destructor.

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/MediaTime.h"

struct MediaFrame;

class StoryboardItem {
public:
    static constexpr INT kKindScene = 2;
    static constexpr INT kKindTransition = 3;

    StoryboardItem() = default;
    // A copy takes the place on the storyboard but never the thumbnail,
    // which stays with the item that built it.
    StoryboardItem(const StoryboardItem& other);
    StoryboardItem& operator=(const StoryboardItem&) = delete;
    virtual ~StoryboardItem();

    virtual INT GetKind() const = 0;
    // A new item equal to this one, owned by the caller.
    virtual StoryboardItem* Clone() const = 0;
    virtual BOOL IsValid() const = 0;
    virtual CMediaTime GetDuration() const = 0;
    virtual BOOL IsSame(const StoryboardItem* item) const = 0;
    // The frame stays owned by the item.
    virtual MediaFrame* GetThumbnail() = 0;

    const CMediaTime& GetStart() const { return m_tStart; }
    const CMediaTime& GetEnd() const { return m_tEnd; }
    void SetStart(const CMediaTime& start) { m_tStart = start; }
    void SetEnd(const CMediaTime& end) { m_tEnd = end; }

protected:
    // Takes over `frame` as the thumbnail, freeing the one kept before.
    void SetThumbnail(MediaFrame* frame);
    void FreeThumbnail();

    CMediaTime m_tStart;
    CMediaTime m_tEnd;
    MediaFrame* m_pThumbnail = nullptr;
};
