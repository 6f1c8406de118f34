#pragma once
// What the element tests stand on: the element rows of the fixture bitmap
// module (every pixel from a formula of the fixture table, so a test knows
// what it drew) with the tool-tip strings beside them, a host window on the
// headless desktop with a recording panel in it, a pump and mouse helpers.
// Bitmaps with a key colour have it at their top-left pixel, where the
// transparency mask samples it (the frame strip at the bottom-right pixel
// of its first cell).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Platform/Mfc/Mfc.h"
#include "Platform/Win/User/DesktopHost.h"
#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/ButtonElementProperties.h"
#include "Win32/Toolkit/ContainerElement.h"
#include "Win32/Toolkit/ElementMessage.h"
#include "Win32/Toolkit/WindowRef.h"
#include "Win32/Toolkit/tests/SkinFixtures.h"
#include "Win32/Toolkit/tests/fixtures/FixtureTable.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace element_fixtures {

using skin_fixtures::Canvas;

constexpr UINT kFrameStrip = 9100;     // 80 x 10: eight 10 x 10 cells, cell n in CellColour(n), key at each cell's bottom-right
constexpr UINT kFaceUp = 9101;         // 20 x 20 faces: key triangle x + y < 6 at the top left,
constexpr UINT kFaceDown = 9102;       // the rest in the face's colour
constexpr UINT kFaceFocus = 9103;
constexpr UINT kFaceDisabled = 9104;
constexpr UINT kPanelBackground = 9105; // 200 x 60, BackgroundPixel(x, y)
constexpr UINT kTrack = 9106;          // 220 x 30 track
constexpr UINT kThumb = 9107;          // 20 x 20 opaque thumb
constexpr UINT kAnimation = 9108;      // 40 x 20: 2 rows x 4 columns of 10 x 10 frames, frame i in FrameColour(i)
constexpr UINT kStill = 9109;          // 10 x 10 still image
constexpr UINT kVerticalTrack = 9110;  // 30 x 220 track
constexpr UINT kSmallFace = 9111;      // 30 x 12 opaque face
constexpr UINT kMissing = 9199;

constexpr UINT kShortTip = 9150;       // "Play the storyboard"
constexpr UINT kLongTip = 9151;        // 100 characters

constexpr COLORREF kKey = RGB(255, 0, 255);

inline COLORREF ColourOf(skinart::Rgb c) { return RGB(c.r, c.g, c.b); }
inline COLORREF CellColour(int n) { return ColourOf(toolkit_fixtures::ElementCellColour(n)); }
inline COLORREF FrameColour(int i) { return ColourOf(toolkit_fixtures::ElementFrameColour(i)); }
inline COLORREF BackgroundPixel(int x, int y) { return ColourOf(toolkit_fixtures::ElementBackgroundPixel(x, y)); }
COLORREF FaceColour(UINT id);
std::string LongTipText();

// A panel that records what reaches it.
class RecordingPanel : public ContainerElement {
public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    bool OnPanelMessage(ElementMessage* message, LRESULT*) override
    {
        if (message->GetMessage() == WM_HSCROLL || message->GetMessage() == WM_VSCROLL)
            scrolls.push_back({message->GetMessage(), message->GetWParam(), message->GetLParam()});
        return false;
    }
    bool OnCommand(UINT id, UINT, void*) override
    {
        commands.push_back(id);
        return true;
    }
    bool OnUpdateCommandUI(UINT id, CCmdUI*) override
    {
        updates.push_back(id);
        return true;
    }
    bool OnChildMoved(PanelElement* child) override
    {
        moved.push_back(child);
        return true;
    }
    void Invalidate(const CGfxRect* rect, BOOL erase) override
    {
        if (rect)
            invalidated.push_back(*rect);
        ContainerElement::Invalidate(rect, erase);
    }

    std::vector<Message> scrolls;
    std::vector<UINT> commands;
    std::vector<UINT> updates;
    std::vector<PanelElement*> moved;
    std::vector<CGfxRect> invalidated;
};

// Dispatches until the queue is empty (timers come only when a test
// delivers them), through the tool tips' pre-translation as the program's
// loop does.
void Pump();

// Mouse input at a point of the panel's client area (the panel fills the
// host's client area at kHostOrigin on the screen).
constexpr POINT kHostOrigin{100, 100};
void MoveTo(LONG x, LONG y);
void Press(LONG x, LONG y, win::user::MouseButton button = win::user::MouseButton::Left);
void Release(LONG x, LONG y, win::user::MouseButton button = win::user::MouseButton::Left);

// An element list with the creation protocol's usual settings.
void Describe(ElementProperties& list, LONG id, const CGfxRect& bounds, WindowRefBase* parent,
              DWORD style = WS_CHILD | WS_VISIBLE);

class ElementTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A reference to the recording panel, for children's -8 and -9.
    WindowRef* PanelRef() { return m_panelRef.get(); }
    HWND PanelHwnd() const { return panel->GetHwnd(); }
    HMODULE Fixture() const { return m_fixture; }
    // Creates `element` in the panel from `list` and adds it as a child.
    template <typename Element>
    Element* AddChild(std::unique_ptr<Element> element, ElementProperties& list)
    {
        if (!element->Create(list))
            return nullptr;
        Element* made = element.get();
        panel->AddChild(element.release());
        return made;
    }

    CWnd host;
    std::unique_ptr<RecordingPanel> panel;

private:
    std::unique_ptr<testing_support::LoadedResourceModules> m_modules;
    std::unique_ptr<testing_support::ModuleFolderOverride> m_fixtureFolder;
    HMODULE m_fixture = nullptr;
    std::unique_ptr<WindowRef> m_panelRef;
    HINSTANCE m_savedResources = nullptr;
};

} // namespace element_fixtures
