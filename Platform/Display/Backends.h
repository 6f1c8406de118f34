#pragma once
// The two back ends behind Display.h. Both are the window system's desktop
// host; SDL stays inside SdlBackend.cpp.

#include <memory>
#include <mutex>
#include <string>

#include "Platform/Display/Desktop.h"
#include "Platform/Win/User/DesktopHost.h"
#include "Platform/Win/User/Icons.h"

namespace display::detail {

// The composed screen and the lock every composer holds.
struct Screen {
    std::mutex lock;
    Desktop desktop;
};

class HeadlessBackend final : public win::user::DesktopHost {
public:
    // Nothing shows the screen: it is composed when a snapshot asks.
    void DesktopChanged() override {}
};

// Every top-level window a native window of the user's desktop.
class SdlBackend final : public win::user::DesktopHost {
public:
    SdlBackend();
    ~SdlBackend() override;
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    // Starts SDL's video on a thread of its own; false when SDL cannot.
    bool Start();
    void Stop();

    bool NativeWindows() const override;
    void DesktopChanged() override;
    void CursorChanged(win::user::CursorShape shape) override;
    void CursorImageChanged(const win::user::IconImage& image) override;
    void CursorMoved(POINT screen) override;
    bool SetClipboardText(const std::string& text) override;
    bool GetClipboardText(std::string* text) override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace display::detail
