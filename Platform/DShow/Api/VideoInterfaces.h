#pragma once
// The video renderer and its window and picture interfaces, which the
// filter graph manager also answers for the renderer in it. Methods are
// declared in their real slot order.

#include "Platform/Com/Com.h"
#include "Platform/DShow/Api/DShowTypes.h"

DEFINE_GUID(CLSID_VideoRenderer, 0x70E102B0, 0x5556, 0x11CE, 0x97, 0xC0, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A);
DEFINE_GUID(IID_IVideoWindow, 0x56A868B4, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IBasicVideo, 0x56A868B5, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);

struct IVideoWindow : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE put_Caption(BSTR caption) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Caption(BSTR* caption) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_WindowStyle(LONG style) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WindowStyle(LONG* style) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_WindowStyleEx(LONG style) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WindowStyleEx(LONG* style) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_AutoShow(LONG autoShow) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_AutoShow(LONG* autoShow) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_WindowState(LONG state) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_WindowState(LONG* state) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BackgroundPalette(LONG palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BackgroundPalette(LONG* palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Visible(LONG visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Visible(LONG* visible) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Left(LONG left) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Left(LONG* left) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Width(LONG width) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Width(LONG* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Top(LONG top) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Top(LONG* top) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Height(LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Height(LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Owner(OAHWND owner) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Owner(OAHWND* owner) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_MessageDrain(OAHWND drain) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_MessageDrain(OAHWND* drain) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BorderColor(LONG* color) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_BorderColor(LONG color) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FullScreenMode(LONG* fullScreen) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_FullScreenMode(LONG fullScreen) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWindowForeground(LONG focus) = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam,
                                                         LONG_PTR lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMinIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMaxIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE HideCursor(LONG hide) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsCursorHidden(LONG* hidden) = 0;
};

struct IBasicVideo : IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_AvgTimePerFrame(REFTIME* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BitRate(LONG* rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_BitErrorRate(LONG* rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_VideoWidth(LONG* width) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_VideoHeight(LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SourceLeft(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceLeft(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SourceWidth(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceWidth(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SourceTop(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceTop(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_SourceHeight(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_SourceHeight(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DestinationLeft(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationLeft(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DestinationWidth(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationWidth(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DestinationTop(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationTop(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_DestinationHeight(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DestinationHeight(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSourcePosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultSourcePosition() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDestinationPosition(LONG* left, LONG* top, LONG* width,
                                                             LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDefaultDestinationPosition() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoSize(LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVideoPaletteEntries(LONG start, LONG count, LONG* retrieved,
                                                             LONG* palette) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentImage(LONG* bufferSize, LONG* image) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsUsingDefaultSource() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsUsingDefaultDestination() = 0;
};
