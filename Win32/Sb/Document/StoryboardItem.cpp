#include "Win32/Sb/Document/StoryboardItem.h"

#include "Win32/Sb/Media/MediaFrame.h"

StoryboardItem::StoryboardItem(const StoryboardItem& other)
    : m_tStart(other.m_tStart), m_tEnd(other.m_tEnd)
{
}

StoryboardItem::~StoryboardItem()
{
    FreeThumbnail();
}

void StoryboardItem::SetThumbnail(MediaFrame* frame)
{
    if (frame == m_pThumbnail)
        return;
    FreeThumbnail();
    m_pThumbnail = frame;
}

void StoryboardItem::FreeThumbnail()
{
    delete m_pThumbnail;
    m_pThumbnail = nullptr;
}
