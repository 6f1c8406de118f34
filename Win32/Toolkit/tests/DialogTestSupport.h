#pragma once
// Shared pieces of the skinned dialog tests: the dialog tests' resource
// modules (their own language module with templates 582, 591 and the
// fixture dialog 600; solid-colour skins), modal dialogs driven by steps run
// one per timer tick, and injected clicks and keys.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "Platform/Mfc/Mfc.h"
#include "Platform/Win/User/tests/UserTestSupport.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Utils/ResourceSwitch.h"
#include "Win32/Utils/tests/ResourceModulesFixture.h"

namespace dialog_test {

using namespace user_test;

constexpr UINT IDD_FIXTURE = 600;

// The solid skins of the fixture bitmap module.
constexpr COLORREF kDialogBack = RGB(40, 44, 52);
constexpr COLORREF kActiveCaption = RGB(20, 60, 120);
constexpr COLORREF kInactiveCaption = RGB(70, 70, 70);
constexpr COLORREF kDialogPictureFrame = RGB(200, 100, 0);

inline POINT CentreOf(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline void Click(POINT screen)
{
    using win::user::MouseButton;
    win::user::InjectMouseMove(screen);
    win::user::InjectMouseButton(MouseButton::Left, true, screen);
    win::user::InjectMouseButton(MouseButton::Left, false, screen);
}

inline void PressKey(UINT virtualKey)
{
    win::user::InjectKey(virtualKey, true);
    win::user::InjectKey(virtualKey, false);
}

// A pixel of a window's client area (window coordinates with `window`).
inline COLORREF ClientPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

inline COLORREF WindowPixel(HWND window, int x, int y)
{
    HDC dc = GetWindowDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

// How many pixels of a window's client rectangle `r` have the colour.
inline int CountClientPixels(HWND window, const RECT& r, COLORREF colour)
{
    HDC dc = GetDC(window);
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            count += GetPixel(dc, x, y) == colour;
    ReleaseDC(window, dc);
    return count;
}

inline RECT ClientRectOf(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return r;
}

// Every test runs on a clean desktop with the dialog tests' modules loaded
// (the language module current while a dialog is made) and the default
// skin state, made from those modules.
class DialogTest : public UserTest {
protected:
    void SetUp() override
    {
        UserTest::SetUp();
        m_modules = std::make_unique<testing_support::LoadedResourceModules>(KESTRELON_TOOLKIT_DIALOG_MODULES);
        ASSERT_TRUE(m_modules->IsLoaded()) << "the build makes " KESTRELON_TOOLKIT_DIALOG_MODULES;
        m_language = std::make_unique<CResourceSwitch>(kResourceLanguage);
        // A skin state of the test's own, so that its frame bitmaps load
        // from these modules whatever ran before.
        m_skin = std::make_unique<CSkinState>();
        m_previousSkin = SetSkinState(m_skin.get());
    }
    void TearDown() override
    {
        UserTest::TearDown();
        AfxDeleteTempMaps();
        SetSkinState(m_previousSkin);
        m_skin.reset();
        m_language.reset();
        m_modules.reset();
    }

    // Runs `steps` one per timer tick while `body` runs a modal loop. A
    // dialog still open well after the last step fails the test and is
    // ended, so that no test hangs.
    template <class Body>
    auto RunWith(std::vector<std::function<void()>> steps, Body body)
    {
        m_steps = std::move(steps);
        m_idleTicks = 0;
        s_running = this;
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
            DialogTest* self = s_running;
            if (!self)
                return;
            if (self->m_steps.empty()) {
                if (++self->m_idleTicks == 300) {
                    ADD_FAILURE() << "the dialog did not end after its last step";
                    EndDialog(GetActiveWindow(), -2);
                }
                return;
            }
            auto step = std::move(self->m_steps.front());
            self->m_steps.erase(self->m_steps.begin());
            step();
        });
        auto result = body();
        KillTimer(nullptr, timer);
        s_running = nullptr;
        return result;
    }

private:
    std::unique_ptr<testing_support::LoadedResourceModules> m_modules;
    std::unique_ptr<CResourceSwitch> m_language;
    std::unique_ptr<CSkinState> m_skin;
    CSkinState* m_previousSkin = nullptr;
    std::vector<std::function<void()>> m_steps;
    int m_idleTicks = 0;
    static inline DialogTest* s_running = nullptr;
};

} // namespace dialog_test
