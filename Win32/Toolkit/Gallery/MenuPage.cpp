#include "Win32/Toolkit/Gallery/MenuPage.h"

#include "Win32/Toolkit/Gallery/PageRunner.h"
#include "Win32/Toolkit/PopupMenu.h"

namespace toolkit_gallery {

namespace {

constexpr const char* kPopupClass = "#32768";
constexpr const char* kPopupTitle = "Popup Menu";
constexpr POINT kAt{120, 100};

// The window that tracks the popup: it hands the menu's measuring and
// drawing to its KLMenu, as the main frame does.
class MenuFrame : public CWnd {
public:
    bool Make()
    {
        return CreateEx(0, AfxRegisterWndClass(0), "Menu Frame", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr);
    }
    KLMenu m_menu;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_MEASUREITEM && reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)->CtlType == ODT_MENU) {
            m_menu.MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
            return TRUE;
        }
        if (message == WM_DRAWITEM && reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)->CtlType == ODT_MENU) {
            m_menu.DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
            return TRUE;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// An edit menu of the storyboard: commands, a separator, a checked
// setting and a submenu.
HMENU BuildMenu()
{
    HMENU zoom = ::CreatePopupMenu();
    ::AppendMenuA(zoom, MF_STRING, 111, "Fit to Window");
    ::AppendMenuA(zoom, MF_STRING, 112, "100 %");
    ::AppendMenuA(zoom, MF_STRING, 113, "200 %");
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuA(menu, MF_STRING, 101, "Cut");
    ::AppendMenuA(menu, MF_STRING, 102, "Copy");
    ::AppendMenuA(menu, MF_STRING, 103, "Paste");
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING | MF_CHECKED, 104, "Snap to Scenes");
    ::AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(zoom), "Zoom");
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, 105, "Delete Scene");
    return menu;
}

} // namespace

void ShowMenu(const GalleryModules&, const WhileShown& whileShown)
{
    MenuFrame frame;
    if (!frame.Make())
        return;
    // The popup's window has no title of its own; it is given one so that
    // it can be found by name, as the other pages' windows are.
    WhileShown titled;
    if (whileShown)
        titled = [&whileShown](HWND popup) {
            ::SetWindowTextA(popup, kPopupTitle);
            return whileShown(popup);
        };
    Watch watch{nullptr, titled, [](HWND) { ::EndMenu(); }};
    watch.className = kPopupClass;
    HMENU menu = BuildMenu();
    frame.m_menu.PrepareItems(CMenu::FromHandle(menu), kAt.x, kAt.y, 0);
    Run(watch, [&] { ::TrackPopupMenu(menu, TPM_RETURNCMD, kAt.x, kAt.y, 0, frame.m_hWnd, nullptr); });
    frame.m_menu.PrepareItems(nullptr, 0, 0, -1);
    ::DestroyMenu(menu);
    frame.DestroyWindow();
}

} // namespace toolkit_gallery
