#pragma once
// Storyboard items for tests: each carries a label to read layouts by and a
// length, and a count of the items alive lets tests see what gets deleted.
// A label starting with 'S' makes a scene, anything else a transition.

#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/StoryboardItem.h"
#include "Win32/Sb/Media/MediaFrame.h"

class LabelledItem : public StoryboardItem {
public:
    static inline int s_nAlive = 0;

    LabelledItem(std::string label, double seconds)
        : m_label(std::move(label)), m_dSeconds(seconds)
    {
        ++s_nAlive;
    }
    LabelledItem(const LabelledItem& other) : StoryboardItem(other), m_label(other.m_label), m_dSeconds(other.m_dSeconds)
    {
        ++s_nAlive;
    }
    ~LabelledItem() override { --s_nAlive; }

    INT GetKind() const override { return !m_label.empty() && m_label[0] == 'S' ? kKindScene : kKindTransition; }
    StoryboardItem* Clone() const override { return new LabelledItem(*this); }
    BOOL IsValid() const override { return TRUE; }
    CMediaTime GetDuration() const override
    {
        CMediaTime length;
        length.SetSeconds(m_dSeconds);
        return length;
    }
    BOOL IsSame(const StoryboardItem* item) const override { return item == this; }
    // Built on first use and kept, as a scene does.
    MediaFrame* GetThumbnail() override
    {
        if (!m_pThumbnail)
            SetThumbnail(new MediaFrame);
        return m_pThumbnail;
    }

    const std::string& GetLabel() const { return m_label; }

private:
    std::string m_label;
    double m_dSeconds;
};

inline LabelledItem* MakeItem(std::string label, double seconds = 0.0)
{
    return new LabelledItem(std::move(label), seconds);
}

inline std::string LabelOf(const StoryboardItem* item)
{
    if (!item)
        return "_";
    const auto* labelled = dynamic_cast<const LabelledItem*>(item);
    return labelled ? labelled->GetLabel() : "?";
}

// "S0 T1 _ S4": one token per slot from 0, "_" for an empty slot.
inline std::unique_ptr<Storyboard> StoryboardFrom(std::string_view layout)
{
    auto storyboard = std::make_unique<Storyboard>();
    std::istringstream tokens{std::string(layout)};
    std::string token;
    for (INT slot = 0; tokens >> token; ++slot) {
        if (token != "_")
            storyboard->SetItem(MakeItem(token), slot);
    }
    return storyboard;
}

// Slots 0 to the last index as StoryboardFrom reads them.
inline std::string Layout(const Storyboard& storyboard)
{
    std::string text;
    for (INT slot = 0; slot <= storyboard.GetLastIndex(); ++slot) {
        if (slot > 0)
            text += ' ';
        text += LabelOf(storyboard.GetItem(slot));
    }
    return text;
}

inline double Seconds(const CMediaTime& time)
{
    return time.GetSeconds();
}
