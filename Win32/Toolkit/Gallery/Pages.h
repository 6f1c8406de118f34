#pragma once
// The toolkit gallery's pages: each a window of the skinned toolkit shown
// as the program shows it, over the program's own resource modules and the
// gallery's module (the fixture dialog with every kind of child, and the art
// of the element page). The gallery program, the golden pictures and the
// benchmarks show the same pages.
//
// Pages: "dialog" (the fixture dialog, active), "dialog-inactive" (the same
// in its inactive look), "messagebox" (MB_YESNOCANCEL | MB_ICONQUESTION
// with three lines of text), "file" (the open dialog over a folder of
// clips), "font" (the text font dialog) and "elements" (a container with a
// background and a frame painter, bitmap buttons in their four states, an
// animated button stopped mid-animation, a horizontal and a vertical slider
// with markers), "sheet" (a skinned property sheet of four tabs), "wizard"
// (the same pages as a wizard, on its second page so that Back and Next
// both show) and "tooldialog" (a docked tool dialog with its colour swatch,
// in a stub view) and "panels" (the editing screen's mode column, top and
// status bars, the preview transport with its four-button strip and an
// effect tool's button strip, in the program's art) and "trimmer" (the
// trimmer panel with a marked stretch) and "menu" (a tracked popup drawn
// by the skinned menu, with a checked item, separators and a submenu) and
// "controls" (a dialog of the slider with its value label, the decimal spin
// and the button strip).
// Every page shows fixed texts and a fixed frame, so its
// pictures are the same on every run.

#include <functional>
#include <memory>
#include <string>

#include "Platform/Mfc/Mfc.h"

class CResourceModules;
class CResourceSwitch;
class CSkinState;

namespace toolkit_gallery {

constexpr const char* kPageNames[] = {"dialog", "dialog-inactive", "messagebox", "file",      "font",
                                     "elements", "sheet",           "wizard",     "tooldialog", "panels", "trimmer", "menu", "controls"};

// The program's three modules from `programFolder` and the gallery's module
// (ToolkitGallery.kres) from `galleryFolder`, loaded for the object's life,
// with a skin state of their own.
class GalleryModules {
public:
    GalleryModules(const std::string& programFolder, const std::string& galleryFolder);
    ~GalleryModules();
    GalleryModules(const GalleryModules&) = delete;
    GalleryModules& operator=(const GalleryModules&) = delete;

    bool IsLoaded() const;
    HMODULE Gallery() const { return m_gallery; }

private:
    std::unique_ptr<CResourceSwitch> m_application;
    std::unique_ptr<CResourceModules> m_modules;
    std::unique_ptr<CSkinState> m_skin;
    CSkinState* m_previousSkin = nullptr;
    HMODULE m_gallery = nullptr;
};

// Called with the page's window once it shows, painted; the page ends when
// it returns true.
using WhileShown = std::function<bool(HWND window)>;

// Shows the page `name` until it ends: when the user closes it, or when
// `whileShown` (if given) returns true. False for an unknown page.
bool ShowPage(const std::string& name, const GalleryModules& modules, const WhileShown& whileShown);

} // namespace toolkit_gallery
