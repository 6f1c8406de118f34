#pragma once
// Shared pieces of the document tests: the document's host as they record
// it (messages, library hand-overs, the command buttons and the preview
// slider, in order), the language module's texts to compare the messages
// with, and the layout of a document's slots.

#include <string>
#include <vector>

#include "Platform/Win/User/MessageBox.h"
#include "Win32/Sb/Document/SBDoc.h"
#include "Win32/Sb/Document/StoryboardItem.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace document_host {

// The language module's text of `id`.
inline std::string Text(UINT id)
{
    CResourceSwitch language(kResourceLanguage);
    CString text;
    text.LoadString(id);
    return static_cast<LPCSTR>(text);
}

// The kinds of the slots 0..last: 'S' scene, 'T' transition, '.' empty.
inline std::string Layout(const CSBDoc& doc)
{
    std::string layout;
    for (INT i = 0; i <= doc.GetLastIndex(); ++i) {
        const StoryboardItem* item = doc.GetItem(i);
        layout += item == nullptr ? '.' : item->GetKind() == StoryboardItem::kKindScene ? 'S' : 'T';
    }
    return layout;
}

class RecordingDocHost : public CSBDocHost {
public:
    int ShowMessage(HWND, LPCSTR text, LPCSTR caption, UINT flags) override
    {
        m_messages.push_back(std::string(text) + " | " + (caption != nullptr ? caption : "<app>") + " | "
                             + std::to_string(flags));
        return IDOK;
    }
    void CallLibrary(LPCSTR path, INT a, INT b) override
    {
        m_events.push_back("library " + std::string(path) + " " + std::to_string(a) + std::to_string(b));
    }
    void UpdateCommandButtons(INT a, INT b) override
    {
        m_events.push_back("buttons " + std::to_string(a) + std::to_string(b));
    }
    void EnablePreviewSlider(INT enable) override { m_events.push_back("slider " + std::to_string(enable)); }

    std::vector<std::string> m_events;
    std::vector<std::string> m_messages;
};

} // namespace document_host
