#include "Win32/Toolkit/tests/ElementFixtures.h"

#include <functional>

#include "Platform/Win/CommCtrl/CommCtrl.h"
#include "Platform/Win/Kernel/Resources.h"

namespace element_fixtures {

namespace {

POINT OnScreen(LONG x, LONG y)
{
    return POINT{kHostOrigin.x + x, kHostOrigin.y + y};
}

} // namespace

COLORREF FaceColour(UINT id)
{
    using namespace toolkit_fixtures;
    switch (id) {
    case kFaceDown:
        return ColourOf(kElementFaceDown);
    case kFaceFocus:
        return ColourOf(kElementFaceFocus);
    case kFaceDisabled:
        return ColourOf(kElementFaceDisabled);
    default:
        return ColourOf(kElementFaceUp);
    }
}

std::string LongTipText()
{
    std::string text;
    for (int i = 0; i < 100; ++i)
        text.push_back(static_cast<char>('a' + i % 26));
    return text;
}

void Pump()
{
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_TIMER)
            continue;
        if (!CWnd::WalkPreTranslateTree(nullptr, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void MoveTo(LONG x, LONG y)
{
    win::user::InjectMouseMove(OnScreen(x, y));
    Pump();
}

void Press(LONG x, LONG y, win::user::MouseButton button)
{
    win::user::InjectMouseButton(button, true, OnScreen(x, y));
    Pump();
}

void Release(LONG x, LONG y, win::user::MouseButton button)
{
    win::user::InjectMouseButton(button, false, OnScreen(x, y));
    Pump();
}

void Describe(ElementProperties& list, LONG id, const CGfxRect& bounds, WindowRefBase* parent, DWORD style)
{
    using EP = ElementProperties;
    ASSERT_EQ(list.SetProperty(EP::kControlId, CTaggedValue(id)), 0);
    ASSERT_EQ(list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(style))), 0);
    ASSERT_EQ(list.SetProperty(EP::kBounds, CTaggedValue(bounds)), 0);
    ASSERT_EQ(list.SetProperty(EP::kParent, WindowRefValue(parent)), 0);
    ASSERT_EQ(list.SetProperty(EP::kOwner, WindowRefValue(parent)), 0);
    ASSERT_EQ(list.SetProperty(EP::kDrag, CTaggedValue(LONG{1})), 0);
    ASSERT_EQ(list.SetProperty(EP::kFixed, CTaggedValue(LONG{0})), 0);
}

void ElementTest::SetUp()
{
    m_modules = std::make_unique<testing_support::LoadedResourceModules>();
    ASSERT_TRUE(m_modules->IsLoaded());
    // The fixture bitmap module, under a name of its own beside the
    // program's modules.
    m_fixtureFolder = std::make_unique<testing_support::ModuleFolderOverride>(KESTRELON_TOOLKIT_FIXTURE_MODULES);
    win::RegisterResourceModule("ElementFixture.dll", "ResBmp.kres");
    m_fixture = LoadLibraryA("ElementFixture.dll");
    ASSERT_NE(m_fixture, nullptr) << "the build makes " KESTRELON_TOOLKIT_FIXTURE_MODULES "/ResBmp.kres";
    m_savedResources = AfxGetResourceHandle();
    AfxSetResourceHandle(m_fixture);
    SetCursorPos(0, 0);
    Pump();
    ASSERT_TRUE(host.CreateEx(0, AfxRegisterWndClass(0), "host", WS_POPUP | WS_VISIBLE, kHostOrigin.x,
                              kHostOrigin.y, 400, 300, nullptr, nullptr));
    panel = std::make_unique<RecordingPanel>();
    WindowRef hostRef(&host);
    ElementProperties list;
    Describe(list, 500, CGfxRect(0, 0, 399, 299), &hostRef);
    ASSERT_TRUE(panel->Create(list));
    m_panelRef = std::make_unique<WindowRef>(panel->GetWnd(), panel.get());
    Pump();
}

void ElementTest::TearDown()
{
    ReleaseCapture();
    SwapMouseButton(FALSE);
    using win::user::MouseButton;
    for (auto button : {MouseButton::Left, MouseButton::Right})
        win::user::InjectMouseButton(button, false, POINT{0, 0});
    Pump();
    m_panelRef.reset();
    panel.reset();
    if (host.GetSafeHwnd())
        host.DestroyWindow();
    Pump();
    AfxDeleteTempMaps();
    AfxSetResourceHandle(m_savedResources);
    if (m_fixture)
        FreeLibrary(m_fixture);
    m_fixture = nullptr;
    m_fixtureFolder.reset();
    m_modules.reset();
}

} // namespace element_fixtures
