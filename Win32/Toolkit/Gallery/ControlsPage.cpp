#include "Win32/Toolkit/Gallery/ControlsPage.h"

#include <memory>

#include "Win32/Toolkit/ButtonStrip.h"
#include "Win32/Toolkit/FloatSpin.h"
#include "Win32/Toolkit/Gallery/PageRunner.h"
#include "Win32/Toolkit/SkinnedDialog.h"
#include "Win32/Toolkit/SliderCtrl.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace toolkit_gallery {

namespace {

constexpr UINT IDD_GALLERY_CONTROLS = 640;
constexpr int IDC_SLIDER_PLACE = 1201;
constexpr int IDC_SLIDER_VALUE = 1202;
constexpr int IDC_SPIN = 1102;
constexpr int IDC_STRIP_PLACE = 1110;
constexpr int kBrightness = 65;
constexpr double kSeconds = 2.5;
// The strip in its mode of one picture per place, the right middle chosen.
constexpr int kStripMode = 3;
constexpr int kStripChoice = 5;

class CControlsDialog : public KLDialog {
public:
    CControlsDialog() : KLDialog(IDD_GALLERY_CONTROLS, nullptr) {}

    BOOL OnInitDialog() override
    {
        const BOOL result = KLDialog::OnInitDialog();
        CenterWindow();
        m_slider = std::make_unique<KLSliderCtrl>();
        if (m_slider->CreateOnDialogItem(IDC_SLIDER_PLACE, this, 0, 100, kBrightness, 0, 0, 0, 1)) {
            m_slider->m_hValueLabel = ::GetDlgItem(m_hWnd, IDC_SLIDER_VALUE);
            m_slider->SetValueText(kBrightness);
        }
        m_spin = std::make_unique<KLFloatSpin>(::GetDlgItem(m_hWnd, IDC_SPIN), 0, 20.0, 0);
        m_spin->SetDecimalSeparator('.');
        m_spin->SetRange(900.0, 0.0);
        m_spin->SetValue(kSeconds);
        m_strip = std::make_unique<KLButtonStrip>();
        if (m_strip->CreateOnDialogItem(IDC_STRIP_PLACE, this))
            m_strip->SetMode(kStripMode, kStripChoice);
        return result;
    }

protected:
    void PostNcDestroy() override
    {
        m_strip.reset();
        m_spin.reset();
        m_slider.reset();
        KLDialog::PostNcDestroy();
    }

private:
    std::unique_ptr<KLSliderCtrl> m_slider;
    std::unique_ptr<KLFloatSpin> m_spin;
    std::unique_ptr<KLButtonStrip> m_strip;
};

} // namespace

void ShowControls(const GalleryModules& modules, const WhileShown& whileShown)
{
    Watch watch{"Picture Settings", whileShown, Cancel};
    CResourceSwitch gallery(modules.Gallery());
    CControlsDialog dialog;
    Run(watch, [&] { dialog.DoModal(); });
}

} // namespace toolkit_gallery
