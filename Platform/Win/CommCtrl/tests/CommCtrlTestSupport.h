#pragma once
// Shared pieces of the common-control tests: a recording parent that keeps
// every WM_NOTIFY (with a copy of its record) and can answer some, and a
// pump that waits for timers.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string_view>
#include <thread>
#include <vector>

#include "Platform/Win/CommCtrl/CommCtrl.h"
#include "Platform/Win/Controls/tests/ControlsTestSupport.h"
#include "Platform/Win/User/Extensions.h"

namespace commctrl_test {

using namespace controls_test;

// One notification as the parent saw it.
struct Notice {
    UINT code;
    UINT_PTR id;
    NMLISTVIEW list;  // for list-view codes
    NMUPDOWN upDown;  // for UDN_DELTAPOS
};

// Dispatches until `done` holds or the limit passes; timers fire meanwhile.
inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    MSG msg;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

inline void PumpFor(int ms)
{
    PumpUntil([] { return false; }, ms);
}

class CommCtrlTest : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        InitCommonControls();
        m_saved = win::user::GetInputTimings();
        win::user::InputTimings fast = m_saved;
        fast.repeatDelay = 40;
        fast.repeatInterval = 10;
        win::user::SetInputTimings(fast);
        m_parent = MakeTopLevel(RECT{100, 100, 600, 500}, WS_POPUP | WS_VISIBLE);
        React(m_parent, [this](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
            if (message != WM_NOTIFY)
                return false;
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            Notice notice{header->code, header->idFrom, {}, {}};
            // Each notification is read as the structure its sender gives:
            // a list view's clicks carry the item, a tab's only the header.
            char sender[32] = {};
            GetClassNameA(header->hwndFrom, sender, sizeof sender);
            const bool fromList = std::string_view(sender) == WC_LISTVIEWA;
            if (header->code == UDN_DELTAPOS)
                notice.upDown = *reinterpret_cast<const NMUPDOWN*>(lParam);
            else if (header->code == LVN_KEYDOWN)
                notice.list.hdr = *header;
            else if (header->code <= LVN_FIRST && header->code > LVN_FIRST - 100)
                notice.list = *reinterpret_cast<const NMLISTVIEW*>(lParam);
            else if (fromList && (header->code == NM_CLICK || header->code == NM_RCLICK || header->code == NM_DBLCLK))
                notice.list.iItem = reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem;
            m_notices.push_back(notice);
            *result = m_answer ? m_answer(header) : 0;
            return true;
        });
    }
    void TearDown() override
    {
        win::user::SetInputTimings(m_saved);
        ControlsTest::TearDown();
    }
    HWND Make(const char* cls, DWORD style, RECT r, int id = 50, const char* text = "")
    {
        HWND w = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, m_parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 nullptr, nullptr);
        EXPECT_NE(w, nullptr) << cls;
        PumpUntilIdle();
        return w;
    }
    std::vector<UINT> Codes() const
    {
        std::vector<UINT> codes;
        for (const Notice& n : m_notices)
            codes.push_back(n.code);
        return codes;
    }
    std::vector<Notice> Of(UINT code) const
    {
        std::vector<Notice> out;
        for (const Notice& n : m_notices)
            if (n.code == code)
                out.push_back(n);
        return out;
    }
    // Screen point of a control's client point.
    static POINT Screen(HWND control, POINT client)
    {
        ClientToScreen(control, &client);
        return client;
    }
    std::vector<Notice> m_notices;
    std::function<LRESULT(const NMHDR*)> m_answer;
    win::user::InputTimings m_saved;
    HWND m_parent = nullptr;
};

} // namespace commctrl_test
