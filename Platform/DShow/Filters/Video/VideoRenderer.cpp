// The Video Renderer: shows uncompressed video (RGB24, RGB32, UYVY, YUY2)
// in a window of our desktop, drawn through USER and GDI. Each sample is
// presented at its time on the graph's clock (at once without one); while
// paused the renderer shows the frame it was given and holds it, and the
// graph's pause completes once it holds one, so a seek while paused shows
// the new frame. IVideoWindow places the window (owner, message drain,
// position, visibility, style, full screen); IBasicVideo gives the video's
// size and places the picture in the window.
//
// The window lives on a thread of its own that runs its message loop, as
// the window of a playing video must repaint and move while the program's
// own thread is busy. Frames are converted to 32-bit rows on the streaming
// thread and drawn by that window thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "Platform/DShow/Filters/Renderers/RendererBase.h"
#include "Platform/DShow/Filters/Video/Video.h"
#include "Platform/DShow/Filters/Writing/DibPicture.h"
#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Gdi/Gdi.h"
#include "Platform/Win/Kernel/Sync.h"
#include "Platform/Win/User/User.h"

namespace dshow {
namespace {

constexpr char kWindowClass[] = "VideoRenderer";
// Asks the window thread to draw the newest frame now.
constexpr UINT kPresent = WM_USER + 1;
// Asks the window thread to destroy the window and end.
constexpr UINT kClose = WM_USER + 2;
constexpr LONG kDefaultStyle = static_cast<LONG>(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);

class VideoRenderer;

std::mutex g_windowsLock;
std::map<HWND, VideoRenderer*>& Windows()
{
    static auto* windows = new std::map<HWND, VideoRenderer*>;
    return *windows;
}

LRESULT CALLBACK RendererWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class VideoRenderer final : public RendererBase, public IVideoWindow, public IBasicVideo {
public:
    VideoRenderer() : RendererBase(NAME("Video Renderer"), CLSID_VideoRenderer, u"Input")
    {
        std::unique_lock<std::mutex> lock(m_startLock);
        m_thread = std::thread([this] { WindowThread(); });
        m_started.wait(lock, [this] { return m_threadReady; });
    }

    ~VideoRenderer() override
    {
        if (m_window != nullptr && IsWindow(m_window))
            SendMessageA(m_window, kClose, 0, 0);
        else
            PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        if (m_thread.joinable())
            m_thread.join();
    }

    DECLARE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IVideoWindow)
            return GetInterface(static_cast<IVideoWindow*>(this), object);
        if (riid == IID_IBasicVideo)
            return GetInterface(static_cast<IBasicVideo*>(this), object);
        return RendererBase::NonDelegatingQueryInterface(riid, object);
    }

    // IDispatch of both interfaces: nothing automates them.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        CheckPointer(count, E_POINTER);
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE GetState(DWORD milliseconds, FILTER_STATE* state) override
    {
        HRESULT hr = RendererBase::GetState(milliseconds, state);
        if (FAILED(hr) || *state != State_Paused || !m_pin->IsConnected())
            return hr;
        // The pause completes when a frame is held (or the stream ended),
        // waited for at most `milliseconds`.
        std::unique_lock<std::mutex> lock(m_frameLock);
        auto settled = [this] { return m_holding || m_ended || m_State != State_Paused; };
        if (milliseconds == INFINITE)
            m_frameChanged.wait(lock, settled);
        else
            m_frameChanged.wait_for(lock, std::chrono::milliseconds(milliseconds), settled);
        return settled() ? hr : VFW_S_STATE_INTERMEDIATE;
    }

    HRESULT STDMETHODCALLTYPE Pause() override
    {
        {
            std::lock_guard<std::mutex> guard(m_frameLock);
            if (m_State == State_Stopped) {
                m_holding = false;
                m_ended = false;
            }
        }
        HRESULT hr = RendererBase::Pause();
        if (m_autoShow && m_window && !IsWindowVisible(m_window))
            ShowWindow(m_window, SW_SHOWNOACTIVATE);
        return hr;
    }

    // IVideoWindow
    HRESULT STDMETHODCALLTYPE put_Caption(BSTR caption) override
    {
        SetWindowTextA(m_window, caption ? win::Utf16ToUtf8(caption).c_str() : "");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Caption(BSTR* caption) override
    {
        CheckPointer(caption, E_POINTER);
        char text[256] = {};
        GetWindowTextA(m_window, text, sizeof text);
        *caption = SysAllocString(win::Utf8ToUtf16(text).c_str());
        return *caption ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE put_WindowStyle(LONG style) override
    {
        // Styles that make no sense for a video window are refused.
        if (style & static_cast<LONG>(WS_DISABLED | WS_ICONIC | WS_MAXIMIZE | WS_MINIMIZE | WS_HSCROLL | WS_VSCROLL))
            return E_INVALIDARG;
        SetWindowLongA(m_window, GWL_STYLE, style);
        SetWindowPos(m_window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WindowStyle(LONG* style) override
    {
        CheckPointer(style, E_POINTER);
        *style = GetWindowLongA(m_window, GWL_STYLE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_WindowStyleEx(LONG style) override
    {
        SetWindowLongA(m_window, GWL_EXSTYLE, style);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WindowStyleEx(LONG* style) override
    {
        CheckPointer(style, E_POINTER);
        *style = GetWindowLongA(m_window, GWL_EXSTYLE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AutoShow(LONG autoShow) override
    {
        m_autoShow = autoShow != OAFALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_AutoShow(LONG* autoShow) override
    {
        CheckPointer(autoShow, E_POINTER);
        *autoShow = m_autoShow ? OATRUE : OAFALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_WindowState(LONG state) override
    {
        ShowWindow(m_window, state);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_WindowState(LONG* state) override
    {
        CheckPointer(state, E_POINTER);
        *state = IsWindowVisible(m_window) ? SW_SHOW : SW_HIDE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_BackgroundPalette(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get_BackgroundPalette(LONG* palette) override
    {
        CheckPointer(palette, E_POINTER);
        *palette = OAFALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Visible(LONG visible) override
    {
        if (visible != OATRUE && visible != OAFALSE)
            return E_INVALIDARG;
        ShowWindow(m_window, visible == OATRUE ? SW_SHOWNOACTIVATE : SW_HIDE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Visible(LONG* visible) override
    {
        CheckPointer(visible, E_POINTER);
        *visible = IsWindowVisible(m_window) ? OATRUE : OAFALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Left(LONG value) override { return MoveEdge(&RECT::left, value); }
    HRESULT STDMETHODCALLTYPE get_Left(LONG* value) override { return WindowEdge(value, 0); }
    HRESULT STDMETHODCALLTYPE put_Width(LONG value) override { return MoveEdge(&RECT::right, value); }
    HRESULT STDMETHODCALLTYPE get_Width(LONG* value) override { return WindowEdge(value, 2); }
    HRESULT STDMETHODCALLTYPE put_Top(LONG value) override { return MoveEdge(&RECT::top, value); }
    HRESULT STDMETHODCALLTYPE get_Top(LONG* value) override { return WindowEdge(value, 1); }
    HRESULT STDMETHODCALLTYPE put_Height(LONG value) override { return MoveEdge(&RECT::bottom, value); }
    HRESULT STDMETHODCALLTYPE get_Height(LONG* value) override { return WindowEdge(value, 3); }
    HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) override
    {
        HWND parent = reinterpret_cast<HWND>(owner);
        if (parent != nullptr && !IsWindow(parent))
            return E_INVALIDARG;
        m_owner = parent;
        SetParent(m_window, parent);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Owner(OAHWND* owner) override
    {
        CheckPointer(owner, E_POINTER);
        *owner = reinterpret_cast<OAHWND>(m_owner);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_MessageDrain(OAHWND drain) override
    {
        m_drain = reinterpret_cast<HWND>(drain);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_MessageDrain(OAHWND* drain) override
    {
        CheckPointer(drain, E_POINTER);
        *drain = reinterpret_cast<OAHWND>(m_drain.load());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BorderColor(LONG* color) override
    {
        CheckPointer(color, E_POINTER);
        *color = static_cast<LONG>(m_border);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_BorderColor(LONG color) override
    {
        m_border = static_cast<COLORREF>(color);
        Repaint();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_FullScreenMode(LONG* fullScreen) override
    {
        CheckPointer(fullScreen, E_POINTER);
        *fullScreen = m_fullScreen ? OATRUE : OAFALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_FullScreenMode(LONG fullScreen) override
    {
        const bool on = fullScreen != OAFALSE;
        if (on == m_fullScreen)
            return S_OK;
        if (on) {
            // Remembers where the window was, and covers the screen.
            m_restoreStyle = GetWindowLongA(m_window, GWL_STYLE);
            RECT rect{};
            GetWindowRect(m_window, &rect);
            if (m_owner)
                MapWindowPoints(nullptr, m_owner, reinterpret_cast<LPPOINT>(&rect), 2);
            m_restoreRect = rect;
            SetParent(m_window, nullptr);
            SetWindowLongA(m_window, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE));
            SetWindowPos(m_window, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                         SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        } else {
            SetWindowLongA(m_window, GWL_STYLE, m_restoreStyle);
            SetParent(m_window, m_owner);
            SetWindowPos(m_window, m_owner ? HWND_TOP : HWND_NOTOPMOST, m_restoreRect.left, m_restoreRect.top,
                         m_restoreRect.right - m_restoreRect.left, m_restoreRect.bottom - m_restoreRect.top,
                         SWP_FRAMECHANGED);
        }
        m_fullScreen = on;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetWindowForeground(LONG focus) override
    {
        SetWindowPos(m_window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (focus ? 0 : SWP_NOACTIVATE));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NotifyOwnerMessage(OAHWND, LONG message, LONG_PTR wParam, LONG_PTR lParam) override
    {
        // The owner's palette and display changes reach the window.
        if (message == WM_SYSCOLORCHANGE || message == WM_DISPLAYCHANGE || message == WM_PALETTECHANGED)
            PostMessageA(m_window, static_cast<UINT>(message), static_cast<WPARAM>(wParam), lParam);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override
    {
        if (width < 0 || height < 0)
            return E_INVALIDARG;
        SetWindowPos(m_window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override
    {
        CheckPointer(left, E_POINTER);
        CheckPointer(top, E_POINTER);
        CheckPointer(width, E_POINTER);
        CheckPointer(height, E_POINTER);
        const RECT rect = WindowRect();
        *left = rect.left;
        *top = rect.top;
        *width = rect.right - rect.left;
        *height = rect.bottom - rect.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMinIdealImageSize(LONG* width, LONG* height) override
    {
        return GetVideoSize(width, height);
    }
    HRESULT STDMETHODCALLTYPE GetMaxIdealImageSize(LONG* width, LONG* height) override
    {
        CheckPointer(width, E_POINTER);
        CheckPointer(height, E_POINTER);
        *width = GetSystemMetrics(SM_CXSCREEN);
        *height = GetSystemMetrics(SM_CYSCREEN);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) override
    {
        return GetWindowPosition(left, top, width, height);
    }
    HRESULT STDMETHODCALLTYPE HideCursor(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsCursorHidden(LONG* hidden) override
    {
        CheckPointer(hidden, E_POINTER);
        *hidden = OAFALSE;
        return S_OK;
    }

    // IBasicVideo
    HRESULT STDMETHODCALLTYPE get_AvgTimePerFrame(REFTIME* time) override
    {
        CheckPointer(time, E_POINTER);
        if (!m_pin->IsConnected())
            return VFW_E_NOT_CONNECTED;
        *time = static_cast<double>(VideoInfoOf(m_pin->CurrentMediaType()).AvgTimePerFrame) / UNITS;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BitRate(LONG* rate) override
    {
        CheckPointer(rate, E_POINTER);
        if (!m_pin->IsConnected())
            return VFW_E_NOT_CONNECTED;
        *rate = static_cast<LONG>(VideoInfoOf(m_pin->CurrentMediaType()).dwBitRate);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_BitErrorRate(LONG* rate) override
    {
        CheckPointer(rate, E_POINTER);
        *rate = 0;
        return m_pin->IsConnected() ? S_OK : VFW_E_NOT_CONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_VideoWidth(LONG* width) override
    {
        LONG height = 0;
        return GetVideoSize(width, &height);
    }
    HRESULT STDMETHODCALLTYPE get_VideoHeight(LONG* height) override
    {
        LONG width = 0;
        return GetVideoSize(&width, height);
    }
    HRESULT STDMETHODCALLTYPE put_SourceLeft(LONG value) override { return SetEdge(m_source, 0, value); }
    HRESULT STDMETHODCALLTYPE get_SourceLeft(LONG* value) override { return GetEdge(m_source, 0, value); }
    HRESULT STDMETHODCALLTYPE put_SourceWidth(LONG value) override { return SetEdge(m_source, 2, value); }
    HRESULT STDMETHODCALLTYPE get_SourceWidth(LONG* value) override { return GetEdge(m_source, 2, value); }
    HRESULT STDMETHODCALLTYPE put_SourceTop(LONG value) override { return SetEdge(m_source, 1, value); }
    HRESULT STDMETHODCALLTYPE get_SourceTop(LONG* value) override { return GetEdge(m_source, 1, value); }
    HRESULT STDMETHODCALLTYPE put_SourceHeight(LONG value) override { return SetEdge(m_source, 3, value); }
    HRESULT STDMETHODCALLTYPE get_SourceHeight(LONG* value) override { return GetEdge(m_source, 3, value); }
    HRESULT STDMETHODCALLTYPE put_DestinationLeft(LONG value) override { return SetEdge(m_target, 0, value); }
    HRESULT STDMETHODCALLTYPE get_DestinationLeft(LONG* value) override { return GetEdge(m_target, 0, value); }
    HRESULT STDMETHODCALLTYPE put_DestinationWidth(LONG value) override { return SetEdge(m_target, 2, value); }
    HRESULT STDMETHODCALLTYPE get_DestinationWidth(LONG* value) override { return GetEdge(m_target, 2, value); }
    HRESULT STDMETHODCALLTYPE put_DestinationTop(LONG value) override { return SetEdge(m_target, 1, value); }
    HRESULT STDMETHODCALLTYPE get_DestinationTop(LONG* value) override { return GetEdge(m_target, 1, value); }
    HRESULT STDMETHODCALLTYPE put_DestinationHeight(LONG value) override { return SetEdge(m_target, 3, value); }
    HRESULT STDMETHODCALLTYPE get_DestinationHeight(LONG* value) override { return GetEdge(m_target, 3, value); }
    HRESULT STDMETHODCALLTYPE SetSourcePosition(LONG left, LONG top, LONG width, LONG height) override
    {
        return SetPlace(m_source, left, top, width, height);
    }
    HRESULT STDMETHODCALLTYPE GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) override
    {
        return GetPlace(m_source, left, top, width, height);
    }
    HRESULT STDMETHODCALLTYPE SetDefaultSourcePosition() override { return ResetPlace(m_source); }
    HRESULT STDMETHODCALLTYPE SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) override
    {
        return SetPlace(m_target, left, top, width, height);
    }
    HRESULT STDMETHODCALLTYPE GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) override
    {
        return GetPlace(m_target, left, top, width, height);
    }
    HRESULT STDMETHODCALLTYPE SetDefaultDestinationPosition() override { return ResetPlace(m_target); }
    HRESULT STDMETHODCALLTYPE GetVideoSize(LONG* width, LONG* height) override
    {
        CheckPointer(width, E_POINTER);
        CheckPointer(height, E_POINTER);
        if (!m_pin->IsConnected())
            return VFW_E_NOT_CONNECTED;
        const BITMAPINFOHEADER& bitmap = VideoInfoOf(m_pin->CurrentMediaType()).bmiHeader;
        *width = bitmap.biWidth;
        *height = std::abs(bitmap.biHeight);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVideoPaletteEntries(LONG, LONG, LONG* retrieved, LONG*) override
    {
        CheckPointer(retrieved, E_POINTER);
        *retrieved = 0;
        return E_FAIL; // true-colour video has no palette
    }
    HRESULT STDMETHODCALLTYPE GetCurrentImage(LONG* bufferSize, LONG* image) override
    {
        CheckPointer(bufferSize, E_POINTER);
        std::lock_guard<std::mutex> guard(m_frameLock);
        if (m_frame.empty())
            return E_UNEXPECTED;
        // A packed bitmap: its header, then 32-bit bottom-up rows.
        const LONG bytes = static_cast<LONG>(sizeof(BITMAPINFOHEADER) + m_frame.size());
        if (image == nullptr) {
            *bufferSize = bytes;
            return S_OK;
        }
        if (*bufferSize < bytes)
            return E_OUTOFMEMORY;
        BITMAPINFOHEADER header = FrameHeader();
        header.biHeight = m_frameHeight;
        auto* out = reinterpret_cast<BYTE*>(image);
        std::memcpy(out, &header, sizeof header);
        const size_t row = static_cast<size_t>(m_frameWidth) * 4;
        for (int y = 0; y < m_frameHeight; ++y)
            std::memcpy(out + sizeof header + row * static_cast<size_t>(y),
                        m_frame.data() + row * static_cast<size_t>(m_frameHeight - 1 - y), row);
        *bufferSize = bytes;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsUsingDefaultSource() override { return m_source.set ? S_FALSE : S_OK; }
    HRESULT STDMETHODCALLTYPE IsUsingDefaultDestination() override { return m_target.set ? S_FALSE : S_OK; }

    // The window thread's handling of its window's messages.
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case kPresent:
            InvalidateRect(window, nullptr, FALSE);
            UpdateWindow(window);
            return 0;
        case kClose:
            DestroyWindow(window);
            return 0;
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            InvalidateRect(window, nullptr, FALSE);
            break;
        case WM_CLOSE:
            // Closing the window hides it; the graph goes on.
            ShowWindow(window, SW_HIDE);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
        }
        // Mouse and keyboard input goes to the drain window when there is one.
        const bool input = (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
                           (message >= WM_KEYFIRST && message <= WM_KEYLAST);
        if (input && m_drain.load() != nullptr) {
            PostMessageA(m_drain, message, wParam, lParam);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

protected:
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        return IsDibVideo(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT Render(IMediaSample* sample) override { return Show(sample); }
    void Preroll(IMediaSample* sample) override { Show(sample); }
    void EndOfStream() override
    {
        {
            std::lock_guard<std::mutex> guard(m_frameLock);
            m_ended = true;
        }
        m_frameChanged.notify_all();
    }
    void OnStop() override
    {
        {
            std::lock_guard<std::mutex> guard(m_frameLock);
            m_holding = false;
        }
        m_frameChanged.notify_all();
    }
    void OnFlush() override
    {
        std::lock_guard<std::mutex> guard(m_frameLock);
        m_holding = false;
        m_ended = false;
    }

private:
    struct Place {
        RECT rect{};
        bool set = false;
    };

    void WindowThread()
    {
        RegisterWindowClass();
        HWND window = CreateWindowExA(0, kWindowClass, "ActiveMovie Window", static_cast<DWORD>(kDefaultStyle),
                                      CW_USEDEFAULT, CW_USEDEFAULT, 320, 240, nullptr, nullptr, nullptr, nullptr);
        {
            std::lock_guard<std::mutex> windows(g_windowsLock);
            if (window)
                Windows()[window] = this;
        }
        {
            std::lock_guard<std::mutex> lock(m_startLock);
            m_window = window;
            m_threadId = GetCurrentThreadId();
            m_threadReady = true;
        }
        m_started.notify_all();
        MSG message{};
        while (window && GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
        std::lock_guard<std::mutex> windows(g_windowsLock);
        Windows().erase(window);
    }

    static void RegisterWindowClass()
    {
        static std::once_flag once;
        std::call_once(once, [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = &RendererWindowProc;
            wc.lpszClassName = kWindowClass;
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            RegisterClassA(&wc);
        });
    }

    HRESULT Show(IMediaSample* sample)
    {
        BYTE* bits = nullptr;
        sample->GetPointer(&bits);
        DibPicture source;
        if (!DescribeDib(bits, sample->GetActualDataLength(), m_pin->CurrentMediaType(), source))
            return E_INVALIDARG;
        {
            std::lock_guard<std::mutex> guard(m_frameLock);
            m_frameWidth = source.width;
            m_frameHeight = source.height;
            m_frame.resize(static_cast<size_t>(source.width) * static_cast<size_t>(source.height) * 4);
            DibPicture target;
            target.planes[0] = m_frame.data();
            target.strides[0] = source.width * 4;
            target.width = source.width;
            target.height = source.height;
            target.format = AV_PIX_FMT_BGR0;
            if (!ScalePicture(m_scaler, source, target))
                return E_FAIL;
        }
        Repaint();
        // Held once it is on screen: a completed pause shows the frame. A
        // frame drawn while a flush is under way is not held: the pause
        // completes with the frame that comes after the flush.
        {
            std::lock_guard<std::mutex> guard(m_frameLock);
            if (!m_pin->IsFlushing())
                m_holding = true;
        }
        m_frameChanged.notify_all();
        return S_OK;
    }

    // Draws the newest frame now, on the window's thread; returns once drawn.
    void Repaint()
    {
        if (m_window)
            SendMessageA(m_window, kPresent, 0, 0);
    }

    BITMAPINFOHEADER FrameHeader() const
    {
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = m_frameWidth;
        header.biHeight = -m_frameHeight; // top-down rows
        header.biPlanes = 1;
        header.biBitCount = 32;
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(m_frame.size());
        return header;
    }

    void Paint(HWND window)
    {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        std::lock_guard<std::mutex> guard(m_frameLock);
        const RECT target = m_target.set ? m_target.rect : client;
        HBRUSH border = CreateSolidBrush(m_border);
        FillRect(dc, &client, border);
        DeleteObject(border);
        if (!m_frame.empty()) {
            const RECT source = m_source.set ? m_source.rect : RECT{0, 0, m_frameWidth, m_frameHeight};
            BITMAPINFO info{};
            info.bmiHeader = FrameHeader();
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top,
                          source.left, source.top, source.right - source.left, source.bottom - source.top,
                          m_frame.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        }
        EndPaint(window, &paint);
    }

    RECT WindowRect()
    {
        RECT rect{};
        GetWindowRect(m_window, &rect);
        HWND parent = GetParent(m_window);
        if (parent)
            MapWindowPoints(nullptr, parent, reinterpret_cast<LPPOINT>(&rect), 2);
        return rect;
    }
    HRESULT MoveEdge(LONG RECT::*edge, LONG value)
    {
        RECT rect = WindowRect();
        const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
        if (edge == &RECT::left)
            rect = RECT{value, rect.top, value + width, rect.bottom};
        else if (edge == &RECT::top)
            rect = RECT{rect.left, value, rect.right, value + height};
        else if (edge == &RECT::right)
            rect.right = rect.left + value;
        else
            rect.bottom = rect.top + value;
        return SetWindowPosition(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    }
    HRESULT WindowEdge(LONG* value, int which)
    {
        CheckPointer(value, E_POINTER);
        LONG place[4] = {};
        GetWindowPosition(&place[0], &place[1], &place[2], &place[3]);
        *value = place[which];
        return S_OK;
    }

    // The rectangle as left, top, width, height; the default one is the
    // whole video (source) or the whole window (destination).
    void PlaceOf(const Place& place, LONG values[4])
    {
        RECT rect = place.rect;
        if (!place.set) {
            if (&place == &m_source) {
                LONG width = 0, height = 0;
                GetVideoSize(&width, &height);
                rect = RECT{0, 0, width, height};
            } else {
                GetClientRect(m_window, &rect);
            }
        }
        values[0] = rect.left;
        values[1] = rect.top;
        values[2] = rect.right - rect.left;
        values[3] = rect.bottom - rect.top;
    }
    HRESULT SetPlace(Place& place, LONG left, LONG top, LONG width, LONG height)
    {
        if (width <= 0 || height <= 0)
            return E_INVALIDARG;
        {
            std::lock_guard<std::mutex> guard(m_frameLock);
            place.rect = RECT{left, top, left + width, top + height};
            place.set = true;
        }
        Repaint();
        return S_OK;
    }
    HRESULT GetPlace(Place& place, LONG* left, LONG* top, LONG* width, LONG* height)
    {
        CheckPointer(left, E_POINTER);
        CheckPointer(top, E_POINTER);
        CheckPointer(width, E_POINTER);
        CheckPointer(height, E_POINTER);
        LONG values[4] = {};
        PlaceOf(place, values);
        *left = values[0];
        *top = values[1];
        *width = values[2];
        *height = values[3];
        return S_OK;
    }
    HRESULT ResetPlace(Place& place)
    {
        {
            std::lock_guard<std::mutex> guard(m_frameLock);
            place.set = false;
        }
        Repaint();
        return S_OK;
    }
    HRESULT SetEdge(Place& place, int which, LONG value)
    {
        LONG values[4] = {};
        PlaceOf(place, values);
        values[which] = value;
        return SetPlace(place, values[0], values[1], values[2], values[3]);
    }
    HRESULT GetEdge(Place& place, int which, LONG* value)
    {
        CheckPointer(value, E_POINTER);
        LONG values[4] = {};
        PlaceOf(place, values);
        *value = values[which];
        return S_OK;
    }

    std::thread m_thread;
    std::mutex m_startLock;
    std::condition_variable m_started;
    bool m_threadReady = false;
    DWORD m_threadId = 0;
    HWND m_window = nullptr;
    HWND m_owner = nullptr;
    std::atomic<HWND> m_drain{nullptr};
    bool m_autoShow = true;
    bool m_fullScreen = false;
    LONG m_restoreStyle = kDefaultStyle;
    RECT m_restoreRect{};
    COLORREF m_border = 0;

    std::mutex m_frameLock;
    std::condition_variable m_frameChanged;
    std::vector<BYTE> m_frame; // 32-bit rows, top-down
    int m_frameWidth = 0;
    int m_frameHeight = 0;
    av::ScalerPtr m_scaler;
    bool m_holding = false;
    bool m_ended = false;
    Place m_source;
    Place m_target;
};

LRESULT CALLBACK RendererWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    VideoRenderer* renderer = nullptr;
    {
        std::lock_guard<std::mutex> windows(g_windowsLock);
        auto it = Windows().find(window);
        if (it != Windows().end())
            renderer = it->second;
    }
    if (renderer == nullptr) {
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return renderer->HandleMessage(window, message, wParam, lParam);
}

} // namespace

HRESULT CreateVideoRenderer(REFIID riid, void** object) { return CreateSystemObject<VideoRenderer>(riid, object); }

} // namespace dshow
