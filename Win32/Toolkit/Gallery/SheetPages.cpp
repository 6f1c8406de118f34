#include "Win32/Toolkit/Gallery/SheetPages.h"

#include <array>
#include <memory>
#include <vector>

#include "Win32/Toolkit/Gallery/PageRunner.h"
#include "Win32/Toolkit/SkinnedPropertyPage.h"
#include "Win32/Toolkit/SkinnedPropertySheet.h"
#include "Win32/Toolkit/ToolDialog.h"
#include "Win32/Toolkit/ToolDialogHost.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace toolkit_gallery {

namespace {

constexpr UINT IDD_SHEET_PAGE_1 = 701;
constexpr UINT IDD_TOOL = 710;
constexpr int IDC_VALUE = 1040;
constexpr int IDC_DISABLED_VALUE = 1041;
constexpr int IDC_TOOL_TEXT = 1284;
constexpr UINT kModeButton = 53324;

// What each of the four pages shows in its value field.
constexpr std::array<const char*, 4> kPageValues = {"Holiday 2026", "720 x 576", "80", "holiday.avi"};

class CGalleryPage : public KLPropertyPage {
public:
    explicit CGalleryPage(int n) : KLPropertyPage(IDD_SHEET_PAGE_1 + n, IDD_SHEET_PAGE_1 + n), m_n(n) {}

    BOOL OnInitDialog() override
    {
        const BOOL result = KLPropertyPage::OnInitDialog();
        SetDlgItemText(IDC_VALUE, kPageValues[static_cast<size_t>(m_n)]);
        if (m_n == 0)
            SetDlgItemText(IDC_DISABLED_VALUE, "beach.avi");
        return result;
    }

private:
    int m_n;
};

// The sheet (or wizard) of the four pages, opened at `first`.
void ShowPages(const GalleryModules& modules, const WhileShown& whileShown, const char* title, bool wizard,
               UINT first)
{
    Watch watch{title, whileShown, Cancel};
    CResourceSwitch gallery(modules.Gallery());
    std::vector<std::unique_ptr<CGalleryPage>> pages;
    KLPropertySheet sheet(title, nullptr, first);
    if (wizard)
        sheet.m_psh.dwFlags |= PSH_WIZARD;
    for (int n = 0; n < static_cast<int>(kPageValues.size()); ++n) {
        pages.push_back(std::make_unique<CGalleryPage>(n));
        sheet.AddPage(pages.back().get());
    }
    Run(watch, [&] { sheet.DoModal(); });
}

// The stub view: a plain window that implements the host, with the mode
// panel area along its bottom.
class CStubView : public CWnd, public KLToolDialogHost {
public:
    bool Make()
    {
        return CreateEx(0, AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))),
                        "Storyboard", WS_POPUP | WS_VISIBLE, 40, 80, 760, 420, nullptr, nullptr);
    }
    CRect GetModePanelRect() override { return CRect(10, 300, 750, 410); }
    StoryboardItem* GetPreviewedItem() override { return nullptr; }
    void RedrawPreviewVideo() override {}
};

// A tool panel with a colour in its swatch, titled so that the page can
// find it (it shows no caption).
class CGalleryToolPanel : public KLToolDialog {
public:
    static constexpr const char* kTitle = "Tool Panel";

    explicit CGalleryToolPanel(CWnd* owner) : KLToolDialog(IDD_TOOL, owner, kModeButton, 0)
    {
        m_crSwatch = RGB(230, 150, 40);
    }
    BOOL OnInitDialog() override
    {
        const BOOL result = KLToolDialog::OnInitDialog();
        SetWindowText(kTitle);
        SetDlgItemText(IDC_TOOL_TEXT, "Opening titles");
        return result;
    }
};

} // namespace

void ShowSheet(const GalleryModules& modules, const WhileShown& whileShown)
{
    ShowPages(modules, whileShown, "Project Settings", false, 0);
}

void ShowWizard(const GalleryModules& modules, const WhileShown& whileShown)
{
    ShowPages(modules, whileShown, "New Project", true, 1);
}

void ShowToolDialog(const GalleryModules& modules, const WhileShown& whileShown)
{
    CStubView view;
    if (!view.Make())
        return;
    const HWND viewWindow = view.m_hWnd;
    // Closing the view closes the panel it owns.
    Watch watch{CGalleryToolPanel::kTitle, whileShown, [viewWindow](HWND) { Close(viewWindow); }};
    CGalleryToolPanel panel(&view);
    {
        CResourceSwitch gallery(modules.Gallery());
        if (!panel.Create(IDD_TOOL, &view)) {
            view.DestroyWindow();
            return;
        }
    }
    panel.ShowWindow(SW_SHOW);
    Run(watch, [&] { PumpWhileAlive(viewWindow); });
}

} // namespace toolkit_gallery
