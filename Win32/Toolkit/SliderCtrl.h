#pragma once
// KLSliderCtrl: a skinned slider put over a placeholder control of a
// dialog, with an optional pair of step buttons that move the value by one,
// and the value written into a label control of the dialog. The dialog
// talks to it as to a trackbar: the inner slider's WM_HSCROLL and
// WM_VSCROLL reach the dialog unchanged (sent), and a step button posts
// the dialog the scroll message of an ended scroll, wParam = (position <<
// 16) + SB_ENDSCROLL, lParam = the inner slider's window.
//
// Creation: construct (usually as a dialog member), CreateOnDialogItem in
// the dialog's initialisation, then set the value label and the format id.
// The placeholder is resized to the track (plus 34 pixels along the axis
// for the step buttons) with its top-left corner kept; the slider lies
// centred over the placeholder's old place. Without a placeholder the
// slider is made at (0, 0) with no size. Deleting the object destroys the
// window and every child. The position and range live in the inner slider;
// the stored minimum and maximum are what the step buttons test against.
//
// Value texts: the format string under the format id (language module) or
// "%3d", formatted with the value; a format that is not exactly one integer
// conversion (a "%s", several conversions, a lone "%") is never handed to
// the formatter: "%3d" is used instead. Decimal values use "%.1f" with the
// user's decimal separator, or the one set with SetDecimalSeparator. UI
// thread only.

#include <array>

#include "Win32/Toolkit/ButtonTableRow.h"
#include "Win32/Toolkit/ContainerElement.h"

class BitmapButtonElement;
class CColor;
class SliderElement;
class WindowRef;

class KLSliderCtrl : public ContainerElement {
public:
    static constexpr INT kStepUp = 53386;
    static constexpr INT kStepDown = 53387;
    static constexpr UINT kDefaultBackground = 396;
    static constexpr UINT kHorizontalTrack = 750;
    static constexpr UINT kVerticalTrack = 752;
    static constexpr UINT kHorizontalThumb = 742;
    static constexpr UINT kHorizontalThumbDisabled = 745;
    static constexpr UINT kVerticalThumb = 746;
    static constexpr UINT kVerticalThumbDisabled = 749;
    // The room the step buttons take along the slider's axis, and each one.
    static constexpr LONG kStepRoom = 34;
    static constexpr LONG kStepButtonLength = 17;
    static constexpr INT kDialogIdOffset = 3000;
    static constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE; // 0x50000000

    using StepTable = std::array<ButtonTableRow, 2>;
    static constexpr StepTable kHorizontalSteps1 = {{
        {kStepDown, -1, 1, 0, 0, 17, 19, 1, 726, 727, 728, 729, 0},
        {kStepUp, -1, 1, 106, 0, 17, 19, 1, 734, 735, 736, 737, 0},
    }};
    static constexpr StepTable kVerticalSteps1 = {{
        {kStepUp, -1, 1, 0, 0, 25, 17, 1, 738, 739, 740, 741, 0},
        {kStepDown, -1, 1, 0, 106, 25, 17, 1, 730, 731, 732, 733, 0},
    }};
    static constexpr StepTable kHorizontalSteps2 = {{
        {kStepDown, -1, 1, 0, 0, 17, 19, 1, 1088, 1089, 1090, 1091, 0},
        {kStepUp, -1, 1, 106, 0, 17, 19, 1, 1092, 1093, 1094, 1095, 0},
    }};
    static constexpr StepTable kVerticalSteps2 = {{
        {kStepDown, -1, 1, 0, 0, 25, 17, 1, 730, 731, 732, 733, 0},
        {kStepUp, -1, 1, 0, 106, 0, 0, 1, 738, 739, 740, 741, 0},
    }};

    KLSliderCtrl();
    ~KLSliderCtrl() override;

    // The inner slider and the step buttons, not the container's window.
    void Show(bool show) override;
    void Enable(bool enable) override;
    // The inner slider's scroll messages go on to the dialog, sent
    // unchanged; never handled here.
    bool OnPanelMessage(ElementMessage* message, LRESULT* result) override;
    // The step buttons; always handled.
    bool OnCommand(UINT id, UINT code, void* extra) override;
    bool CreateWindow() override;

    // Steps: 0 none, 1 the first pair of step tables, 2 or more the second.
    // Track and thumb 0 take the defaults of the orientation. The result of
    // the element's creation.
    bool CreateOnDialogItem(INT controlId, CWnd* parent, INT minimum, INT maximum, INT position, INT vertical,
                            UINT trackBitmap, UINT thumbBitmap, INT stepButtons);
    // Whether the slider's position changed (0 without a slider).
    BOOL SetPos(INT value);
    INT GetPos();
    void SetRange(INT minimum, INT maximum);
    bool GetRange(INT& minimum, INT& maximum);
    bool SetValueText(INT value);
    bool SetValueText(double value);
    // The background of the next creation.
    void SetBackgroundBitmapId(UINT id) { m_nBackgroundId = id; }
    // The separator of decimal value texts; 0 for the user's.
    void SetDecimalSeparator(char separator) { m_chDecimal = separator; }

    // Whether `format` holds exactly one conversion, and that an integer
    // one (d, i, o, u, x, X with flags, width and precision, no length
    // modifier and no '*'); "%%" is text.
    static bool IsIntegerFormat(const char* format);
    // The placeholder's rectangle made to fit a track of `track` pixels
    // with `extra` pixels along the axis: inflated by half the difference,
    // rounded toward zero, as the dialog's layout expects.
    static RECT FitToTrack(const RECT& placeholder, SIZE track, SIZE extra);
    // Whether SetRange sets the minimum first, so that the slider's range
    // is never inverted on the way.
    static bool SetsMinimumFirst(INT newMinimum, INT currentMaximum) { return newMinimum < currentMaximum; }

    // Owner's settings, read by SetValueText.
    HWND m_hValueLabel = nullptr;
    UINT m_nFormatId = 0;

    SliderElement* GetSlider() const { return m_pSlider; }
    BitmapButtonElement* GetStepButton(INT which) const { return which == 1 ? m_pStepButton1 : m_pStepButton2; }
    const RECT& GetRect() const { return m_rect; }
    bool IsVertical() const { return m_nVertical != 0; }

private:
    // A step button from its row, as the control panels build theirs:
    // false when its window cannot be made; null (with the trace) when its
    // bitmaps do not load.
    bool BuildStepButton(const ButtonTableRow& row, INT index, WindowRef& self, const CColor* key,
                         BitmapButtonElement*& made);
    bool CreateInnerSlider(WindowRef& self, const CColor* key);
    LONG SliderLong(INT id, bool& found);
    bool SetText(const char* text);

    SliderElement* m_pSlider = nullptr;
    const StepTable* m_pStepTable = nullptr;
    BitmapButtonElement* m_pStepButton1 = nullptr;
    BitmapButtonElement* m_pStepButton2 = nullptr;
    INT m_nStepRowCount = 0;
    UINT m_nBackgroundId = kDefaultBackground;
    INT m_nDialogItemId = 0;
    CWnd* m_pParent = nullptr;
    INT m_nMaximum = 100;
    INT m_nMinimum = 0;
    INT m_nPosition = 0;
    INT m_nVertical = 0;
    UINT m_nTrackBitmap = 0;
    UINT m_nThumbBitmap = 0;
    INT m_nStepButtons = 0;
    RECT m_rect{0, 0, 0, 0};
    char m_chDecimal = 0;
};
