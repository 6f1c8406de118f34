#include "Win32/Toolkit/Gallery/Pages.h"

#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "Win32/Imaging/TaggedValue.h"
#include "Win32/Toolkit/Gallery/PageRunner.h"
#include "Win32/Toolkit/Gallery/ControlsPage.h"
#include "Win32/Toolkit/Gallery/MenuPage.h"
#include "Win32/Toolkit/Gallery/PanelPages.h"
#include "Win32/Toolkit/Gallery/SheetPages.h"
#include "Win32/Toolkit/AnimateButtonElement.h"
#include "Win32/Toolkit/BitmapButtonElement.h"
#include "Win32/Toolkit/ButtonElementProperties.h"
#include "Win32/Toolkit/ContainerElement.h"
#include "Win32/Toolkit/MessageBoxDialog.h"
#include "Win32/Toolkit/SkinState.h"
#include "Win32/Toolkit/SkinnedCommonDialogs.h"
#include "Win32/Toolkit/SkinnedDialog.h"
#include "Win32/Toolkit/SliderElement.h"
#include "Win32/Toolkit/WindowRef.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace toolkit_gallery {

namespace {

constexpr UINT IDD_FIXTURE = 600;

// The element page's art in the gallery's module, and the program's panel
// frame in the bitmap module.
constexpr UINT kPlayUp = 9160;
constexpr UINT kPlayDown = 9161;
constexpr UINT kPlayFocus = 9162;
constexpr UINT kPlayDisabled = 9163;
constexpr UINT kRecordPulse = 9164;
constexpr UINT kTrack = 9165;
constexpr UINT kThumb = 9166;
constexpr UINT kVerticalTrack = 9167;
constexpr UINT kVerticalThumb = 9168;
constexpr UINT kPanelBackground = 9169;
constexpr UINT kPanelFrame = 545;
constexpr COLORREF kMagentaKey = RGB(255, 0, 255);
constexpr COLORREF kProduceKey = RGB(192, 160, 128);
constexpr int kPageWidth = 360;
constexpr int kPageHeight = 230;
// The animated button is shown stopped at this frame of its eight.
constexpr int kAnimationFrame = 3;

// Sets KESTRELON_MODULE_DIR for the object's life.
class ModuleFolder {
public:
    explicit ModuleFolder(const std::string& folder)
    {
        if (const char* old = std::getenv("KESTRELON_MODULE_DIR"))
            m_previous = old;
        SetEnvironmentVariableA("KESTRELON_MODULE_DIR", folder.c_str());
    }
    ~ModuleFolder() { SetEnvironmentVariableA("KESTRELON_MODULE_DIR", m_previous ? m_previous->c_str() : nullptr); }
    ModuleFolder(const ModuleFolder&) = delete;
    ModuleFolder& operator=(const ModuleFolder&) = delete;

private:
    std::optional<std::string> m_previous;
};

// The fixture dialog, centred on the screen (its template leaves it at the
// top left).
class CFixtureDialog : public KLDialog {
public:
    CFixtureDialog() : KLDialog(IDD_FIXTURE, nullptr) {}
    BOOL OnInitDialog() override
    {
        const BOOL result = KLDialog::OnInitDialog();
        CenterWindow();
        return result;
    }
};

void ShowFixtureDialog(const GalleryModules& modules, const WhileShown& whileShown, bool inactive)
{
    Watch watch{"Skin Fixture", whileShown, Cancel, inactive};
    CResourceSwitch gallery(modules.Gallery());
    CFixtureDialog dialog;
    Run(watch, [&] { dialog.DoModal(); });
}

void ShowMessageBox(const GalleryModules&, const WhileShown& whileShown)
{
    Watch watch{"Kestrelon", whileShown, Cancel};
    CResourceSwitch language(kResourceLanguage);
    KLMsgBoxDialog box("The clip \"Holiday 2026.avi\" is missing.\n"
                       "It may have been moved or renamed.\n"
                       "Do you want to look for it now?",
                       MB_YESNOCANCEL | MB_ICONQUESTION, 0, "Kestrelon", nullptr);
    Run(watch, [&] { box.DoModal(); });
}

// A folder of a few clips' names for the open dialog, so that a picture
// shows no folder of the machine that made it.
std::string ClipFolder()
{
    const std::string top = "/tmp/Kestrelon Toolkit Gallery";
    const std::string folder = top + "/Holiday";
    CreateDirectoryA(top.c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* name : {"beach.avi", "harbour.avi", "picnic.avi", "sunset.avi"}) {
        const std::string path = folder + "/" + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return folder;
}

void ShowFileDialog(const GalleryModules&, const WhileShown& whileShown)
{
    Watch watch{"Open Clip", whileShown, Cancel};
    const std::string folder = ClipFolder();
    KLFileDialog dialog(TRUE, "avi", "beach.avi", OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                        "Movies (*.avi)|*.avi|All files (*.*)|*.*||");
    dialog.m_ofn.lpstrInitialDir = folder.c_str();
    dialog.m_ofn.lpstrTitle = "Open Clip";
    Run(watch, [&] { dialog.DoModal(); });
}

void ShowFontDialog(const GalleryModules&, const WhileShown& whileShown)
{
    Watch watch{"Font", whileShown, Cancel};
    LOGFONTA initial{};
    initial.lfHeight = -16;
    lstrcpynA(initial.lfFaceName, "DejaVu Sans", LF_FACESIZE);
    CResourceSwitch language(kResourceLanguage);
    KLTextFontDlg dialog(&initial, CF_SCREENFONTS | CF_EFFECTS | CF_SCALABLEONLY);
    Run(watch, [&] { dialog.DoModal(); });
}

// ---- The element page ----------------------------------------------------

void Describe(ElementProperties& list, LONG id, const CGfxRect& bounds, WindowRefBase* parent)
{
    using EP = ElementProperties;
    list.SetProperty(EP::kControlId, CTaggedValue(id));
    list.SetProperty(EP::kStyle, CTaggedValue(static_cast<LONG>(WS_CHILD | WS_VISIBLE)));
    list.SetProperty(EP::kBounds, CTaggedValue(bounds));
    list.SetProperty(EP::kParent, WindowRefValue(parent));
    list.SetProperty(EP::kOwner, WindowRefValue(parent));
    list.SetProperty(EP::kFixed, CTaggedValue(LONG{1}));
}

CGfxRect Square(LONG left, LONG top, LONG side) { return CGfxRect(left, top, left + side - 1, top + side - 1); }

// The page's window: a container filling a borderless window, and its
// children, which the container owns.
class ElementPage {
public:
    bool Make(const GalleryModules& modules)
    {
        if (!m_host.CreateEx(0, AfxRegisterWndClass(0), "Elements", WS_POPUP | WS_VISIBLE, 60, 60, kPageWidth,
                             kPageHeight, nullptr, nullptr))
            return false;
        WindowRef hostRef(&m_host);
        ElementProperties list;
        Describe(list, 500, CGfxRect(0, 0, kPageWidth - 1, kPageHeight - 1), &hostRef);
        if (!m_panel.Create(list))
            return false;
        {
            // The program's own window frame, drawn whole (no pixel of it
            // is the key).
            CResourceSwitch bitmaps(kResourceBitmaps);
            const CRGBColor key(kMagentaKey);
            m_panel.SetFramePainter(kPanelFrame, nullptr, 8, 1, CGfxRect(0, 0, kPageWidth - 1, kPageHeight - 1),
                                    &key);
        }
        CResourceSwitch gallery(modules.Gallery());
        m_panel.SetBackgroundBitmap(kPanelBackground, nullptr, nullptr, FALSE);
        WindowRef panelRef(m_panel.GetWnd(), &m_panel);
        MakeButtons(panelRef);
        MakeAnimatedButton(panelRef);
        MakeSliders(panelRef);
        m_host.UpdateWindow();
        return true;
    }

    HWND Window() const { return m_host.GetSafeHwnd(); }
    void Destroy()
    {
        if (m_host.GetSafeHwnd())
            m_host.DestroyWindow();
    }

private:
    // Up, down (a checked two-state button), focused and disabled.
    void MakeButtons(WindowRef& panelRef)
    {
        using BP = ButtonElementProperties;
        const CRGBColor key(kMagentaKey);
        for (LONG i = 0; i < 4; ++i) {
            ButtonElementProperties list;
            Describe(list, 100 + i, Square(24 + 52 * i, 24, 40), &panelRef);
            list.SetProperty(BP::kStateCount, CTaggedValue(LONG{i == 1 ? 2 : 1}));
            auto button = std::make_unique<BitmapButtonElement>();
            if (!button->Create(list) ||
                !button->LoadBitmaps(kPlayUp, kPlayDown, kPlayFocus, kPlayDisabled, &key, &key, &key, &key))
                continue;
            if (i == 1)
                button->SetProperty(BP::kChecked, CTaggedValue(LONG{1}), nullptr);
            if (i == 2)
                ::SetFocus(button->GetHwnd());
            if (i == 3)
                button->Enable(false);
            m_panel.AddChild(button.release());
        }
    }

    void MakeAnimatedButton(WindowRef& panelRef)
    {
        constexpr WORD kTimer = 7;
        const CRGBColor key(kProduceKey);
        ButtonElementProperties list;
        Describe(list, 110, Square(24 + 52 * 4, 24, 40), &panelRef);
        auto button = std::make_unique<AnimateButtonElement>();
        if (!button->Create(list))
            return;
        button->SetTimer(kTimer, 80, FALSE);
        if (!button->SetAnimation(0, kRecordPulse, 2, 4, &key, AnimateButtonElement::kLoopForever))
            return;
        // Run to the chosen frame tick by tick, then stop the clock, so that
        // every showing stops at the same frame.
        button->OnTrackStart(CGfxPoint(1, 1), 0);
        for (int i = 0; i < kAnimationFrame; ++i)
            ::SendMessageA(button->GetHwnd(), WM_TIMER, kTimer, 0);
        button->KillTimer();
        m_panel.AddChild(button.release());
    }

    void MakeSliders(WindowRef& panelRef)
    {
        using SP = SliderElementProperties;
        struct Slider {
            LONG id, left, top, orientation, position;
            UINT track, thumb;
        };
        for (const Slider& s : {Slider{120, 24, 100, 0, 40, kTrack, kThumb},
                                Slider{121, 316, 24, 1, 65, kVerticalTrack, kVerticalThumb}}) {
            SliderElementProperties list;
            Describe(list, s.id, CGfxRect(s.left, s.top, s.left + 9, s.top + 9), &panelRef);
            list.SetProperty(SP::kOrientation, CTaggedValue(s.orientation));
            list.SetProperty(SP::kMinimum, CTaggedValue(LONG{0}));
            list.SetProperty(SP::kMaximum, CTaggedValue(LONG{100}));
            auto slider = std::make_unique<SliderElement>();
            const CRGBColor key(kMagentaKey);
            if (!slider->Create(list) ||
                !slider->SetBitmaps(s.track, s.thumb, s.thumb, 0, 0, nullptr, &key, &key, nullptr, nullptr))
                continue;
            slider->SetProperty(SP::kPosition, CTaggedValue(s.position), nullptr);
            slider->SetRangeMarker(0, 10, 30);
            slider->SetRangeMarker(1, 55, 80);
            slider->SetRangeMarker(2, 85, 95);
            m_panel.AddChild(slider.release());
        }
    }

    CWnd m_host;
    ContainerElement m_panel;
};

void ShowElements(const GalleryModules& modules, const WhileShown& whileShown)
{
    Watch watch{"Elements", whileShown, Close};
    ElementPage page;
    if (!page.Make(modules)) {
        page.Destroy();
        return;
    }
    const HWND window = page.Window();
    Run(watch, [&] { PumpWhileAlive(window); });
    page.Destroy();
}

struct Page {
    std::string_view name;
    void (*show)(const GalleryModules&, const WhileShown&);
};

constexpr Page kPages[] = {
    {"dialog", [](const GalleryModules& m, const WhileShown& w) { ShowFixtureDialog(m, w, false); }},
    {"dialog-inactive", [](const GalleryModules& m, const WhileShown& w) { ShowFixtureDialog(m, w, true); }},
    {"messagebox", ShowMessageBox},
    {"file", ShowFileDialog},
    {"font", ShowFontDialog},
    {"elements", ShowElements},
    {"sheet", ShowSheet},
    {"wizard", ShowWizard},
    {"tooldialog", ShowToolDialog},
    {"panels", ShowPanels},
    {"trimmer", ShowTrimmer},
    {"menu", ShowMenu},
    {"controls", ShowControls},
};
static_assert(std::size(kPages) == std::size(kPageNames));

} // namespace

GalleryModules::GalleryModules(const std::string& programFolder, const std::string& galleryFolder)
{
    {
        ModuleFolder program(programFolder);
        m_application = std::make_unique<CResourceSwitch>();
        m_modules = std::make_unique<CResourceModules>();
    }
    AfxSetResourceHandle(GetModuleHandleA(nullptr));
    ModuleFolder gallery(galleryFolder);
    win::RegisterResourceModule("ToolkitGallery.dll", "ToolkitGallery.kres");
    m_gallery = LoadLibraryA("ToolkitGallery.dll");
    // A skin state of the gallery's own, made from these modules.
    m_skin = std::make_unique<CSkinState>();
    m_previousSkin = SetSkinState(m_skin.get());
}

GalleryModules::~GalleryModules()
{
    SetSkinState(m_previousSkin);
    m_skin.reset();
    if (m_gallery)
        FreeLibrary(m_gallery);
    m_application.reset();
    m_modules.reset();
}

bool GalleryModules::IsLoaded() const { return m_modules->IsLoaded() && m_gallery; }

bool ShowPage(const std::string& name, const GalleryModules& modules, const WhileShown& whileShown)
{
    for (const Page& page : kPages) {
        if (page.name == name) {
            page.show(modules, whileShown);
            return true;
        }
    }
    return false;
}

} // namespace toolkit_gallery
