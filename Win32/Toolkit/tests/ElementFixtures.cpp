#include "Win32/Toolkit/tests/ElementFixtures.h"

#include <functional>

#include "Platform/Win/CommCtrl/CommCtrl.h"

namespace element_fixtures {

namespace {

using imaging_tests::Bytes;
using imaging_tests::Put16;
using imaging_tests::Put32;
using Pixel = std::function<COLORREF(int, int)>;

constexpr WORD kBitmapType = 2;
constexpr WORD kStringType = 6;

Pixel Face(COLORREF colour)
{
    return [colour](int x, int y) { return x + y < 6 ? kKey : colour; };
}

// The string block holding ids 9136 to 9151.
Bytes StringBlock()
{
    Bytes out;
    auto put = [&out](const std::string& text) {
        Put16(out, static_cast<WORD>(text.size()));
        for (char c : text)
            Put16(out, static_cast<WORD>(static_cast<unsigned char>(c)));
    };
    for (UINT id = 9136; id <= 9151; ++id)
        put(id == kShortTip ? "Play the storyboard" : id == kLongTip ? LongTipText() : "");
    return out;
}

struct FixtureBitmap {
    UINT id;
    int width;
    int height;
    Pixel pixel;
};

std::vector<FixtureBitmap> FixtureBitmaps()
{
    return {
        {kFrameStrip, 80, 10,
         [](int x, int y) { return (x % 10 == 9 && y == 9) ? kKey : CellColour(x / 10); }},
        {kFaceUp, 20, 20, Face(FaceColour(kFaceUp))},
        {kFaceDown, 20, 20, Face(FaceColour(kFaceDown))},
        {kFaceFocus, 20, 20, Face(FaceColour(kFaceFocus))},
        {kFaceDisabled, 20, 20, Face(FaceColour(kFaceDisabled))},
        {kPanelBackground, 200, 60, BackgroundPixel},
        {kTrack, 220, 30, [](int, int y) { return y == 15 ? RGB(40, 40, 40) : RGB(200, 200, 200); }},
        {kThumb, 20, 20, [](int, int) { return RGB(0, 0, 255); }},
        {kAnimation, 40, 20, [](int x, int y) { return FrameColour(x / 10 + 4 * (y / 10)); }},
        {kStill, 10, 10, [](int x, int y) { return x + y < 2 ? kKey : RGB(250, 250, 0); }},
        {kVerticalTrack, 30, 220, [](int x, int) { return x == 15 ? RGB(40, 40, 40) : RGB(200, 200, 200); }},
        {kSmallFace, 30, 12, [](int, int) { return RGB(10, 90, 10); }},
    };
}

POINT OnScreen(LONG x, LONG y)
{
    return POINT{kHostOrigin.x + x, kHostOrigin.y + y};
}

} // namespace

COLORREF FaceColour(UINT id)
{
    switch (id) {
    case kFaceDown:
        return RGB(160, 0, 0);
    case kFaceFocus:
        return RGB(0, 0, 160);
    case kFaceDisabled:
        return RGB(128, 128, 128);
    default:
        return RGB(0, 160, 0);
    }
}

std::string LongTipText()
{
    std::string text;
    for (int i = 0; i < 100; ++i)
        text.push_back(static_cast<char>('a' + i % 26));
    return text;
}

Bytes FixtureModuleImage()
{
    std::vector<imaging_tests::Resource> resources;
    for (const FixtureBitmap& b : FixtureBitmaps())
        resources.push_back({kBitmapType, static_cast<WORD>(b.id), "", imaging_tests::BitmapResource(b.width, b.height, b.pixel)});
    resources.push_back({kStringType, static_cast<WORD>((kLongTip >> 4) + 1), "", StringBlock()});
    return imaging_tests::ModuleImageOf(resources);
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
    m_fixture = std::make_unique<imaging_tests::TestResourceModule>("ElementFixture.dll", FixtureModuleImage());
    ASSERT_NE(m_fixture->Handle(), nullptr);
    m_savedResources = AfxGetResourceHandle();
    AfxSetResourceHandle(m_fixture->Handle());
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
    m_fixture.reset();
    m_modules.reset();
}

} // namespace element_fixtures
