#pragma once
// A drag of a slider's thumb with injected mouse input: pressed on the
// thumb's centre, moved along the track by a number of positions, released.
// Each step pumps the queue, so the slider's scroll messages have arrived
// when it returns.

#include <cmath>

#include "Platform/Win/User/DesktopHost.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Win32/Toolkit/tests/PanelTestSupport.h"

namespace panel_test {

class ThumbDrag {
public:
    explicit ThumbDrag(SliderElement& slider) : m_slider(slider)
    {
        // The thumb's middle, rounded up along the track as the slider's own
        // half-thumb rounding does.
        const CGfxRect thumb = slider.GetThumb()->GetBounds();
        const LONG dx = slider.IsVertical() ? 0 : 1, dy = 1 - dx;
        RECT track{};
        ::GetWindowRect(slider.GetHwnd(), &track);
        m_start = POINT{track.left + (thumb.left + thumb.right + dx) / 2,
                        track.top + (thumb.top + thumb.bottom + dy) / 2};
        m_at = m_start;
        win::user::InjectMouseMove(m_at);
        win::user::InjectMouseButton(win::user::MouseButton::Left, true, m_at);
        Pump();
    }
    // To `units` positions from where the drag started.
    void MoveTo(LONG units)
    {
        const LONG pixels = static_cast<LONG>(std::lround(units * m_slider.GetPixelsPerUnit()));
        m_at = m_slider.IsVertical() ? POINT{m_start.x, m_start.y + pixels} : POINT{m_start.x + pixels, m_start.y};
        win::user::InjectMouseMove(m_at);
        Pump();
    }
    void Release()
    {
        win::user::InjectMouseButton(win::user::MouseButton::Left, false, m_at);
        Pump();
    }

private:
    SliderElement& m_slider;
    POINT m_start{};
    POINT m_at{};
};

} // namespace panel_test
