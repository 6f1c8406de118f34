#include "Win32/Toolkit/BitmapButtonElement.h"

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Toolkit/ButtonWindows.h"

namespace {

using BP = ButtonElementProperties;

const CRGBColor kGreyText(127, 127, 127);

// A wrapper of a bitmap the window owns, or null when it has none.
std::unique_ptr<CGdiBitmap> Wrap(CBitmap& bitmap, const CColor* colour, CDrawContext* context)
{
    HBITMAP handle = static_cast<HBITMAP>(bitmap.m_hObject);
    if (!handle)
        return nullptr;
    auto wrapper = std::make_unique<CGdiBitmap>(handle, FALSE, colour);
    if (colour)
        wrapper->PrepareTransparency(context);
    return wrapper;
}

} // namespace

BitmapButtonElement::BitmapButtonElement() = default;

BitmapButtonElement::~BitmapButtonElement()
{
    m_pCurrent = nullptr;
    DropImages();
}

void BitmapButtonElement::DropImages()
{
    m_pCurrent = nullptr;
    m_pImage.reset();
    m_pDown.reset();
    m_pFocus.reset();
    m_pDisabled.reset();
}

bool BitmapButtonElement::CreateWindow()
{
    auto* window = new OwnerDrawBitmapButton;
    window->m_pElement = this;
    return CreateButtonWindow(window);
}

void BitmapButtonElement::OnCreated()
{
    ButtonElement::OnCreated();
    m_extensions1.emplace_back();
    m_extensions2.emplace_back();
}

INT BitmapButtonElement::GetKind()
{
    return kBitmapButtonKind;
}

bool BitmapButtonElement::LoadBitmaps(UINT up, UINT down, UINT focus, UINT disabled, const CColor* upColour,
                                      const CColor* downColour, const CColor* focusColour,
                                      const CColor* disabledColour)
{
    DropImages();
    auto* window = dynamic_cast<OwnerDrawBitmapButton*>(m_pWnd);
    if (!window || !GetHwnd() || !window->LoadBitmaps(up, down, focus, disabled))
        return false;
    CDrawContext* context = GetDrawContext();
    m_pImage = Wrap(window->m_bitmap, upColour, context);
    if (m_pImage) {
        m_pDown = down ? Wrap(window->m_bitmapSel, downColour, context) : nullptr;
        m_pFocus = focus ? Wrap(window->m_bitmapFocus, focusColour, context) : nullptr;
        m_pDisabled = disabled ? Wrap(window->m_bitmapDisabled, disabledColour, context) : nullptr;
    }
    ReleaseDrawContext(context);
    if (!m_pImage) {
        DropImages();
        return false;
    }
    m_pCurrent = m_pImage.get();
    return true;
}

CGdiBitmap* BitmapButtonElement::ImageOf(INT state) const
{
    switch (state) {
    case kDownImage:
        return m_pDown.get();
    case kFocusImage:
        return m_pFocus.get();
    case kDisabledImage:
        return m_pDisabled.get();
    default:
        return m_pImage.get();
    }
}

void BitmapButtonElement::SelectImage(INT state)
{
    CGdiBitmap* image = ImageOf(state);
    m_pCurrent = image ? image : m_pImage.get();
}

bool BitmapButtonElement::RenderImageFiltered(INT state, const CGfxRect&, const void*)
{
    // CGdiBitmap::RenderFiltered comes with the planar imaging library.
    return ImageOf(state) == nullptr;
}

void BitmapButtonElement::OnTrackStart(const CGfxPoint&, UINT flags)
{
    if (m_bChecked && IsTwoState())
        SelectImage(kDownImage);
    else if (flags == MK_LBUTTON && m_pDown)
        m_pCurrent = m_pDown.get();
    else if (m_pFocus)
        m_pCurrent = m_pFocus.get();
    Redraw();
}

void BitmapButtonElement::OnTrackEnd(const CGfxPoint&, UINT)
{
    SelectImage(m_bChecked && IsTwoState() ? kDownImage : kUpImage);
    Redraw();
}

void BitmapButtonElement::DrawButton(CDrawContext* context, const CGfxRect& rect, UINT itemState)
{
    INT state = kUpImage;
    if ((itemState & ODS_SELECTED) && m_pDown)
        state = kDownImage;
    else if ((itemState & ODS_FOCUS) && m_pFocus)
        state = kFocusImage;
    else if ((itemState & ODS_DISABLED) && m_pDisabled)
        state = kDisabledImage;
    if (m_bChecked && IsTwoState())
        state = kDownImage;
    SelectImage(state);
    Paint(context, rect, CGfxPoint());
}

void BitmapButtonElement::Enable(bool enable)
{
    ButtonElement::Enable(enable);
    if (enable) {
        INT state = kUpImage;
        if (IsTwoState() && ReadListLong(BP::kChecked))
            state = kDownImage;
        else if (ReadListLong(BP::kFocusLook))
            state = kFocusImage;
        SelectImage(state);
    } else {
        SelectImage(m_pDisabled ? kDisabledImage : kUpImage);
    }
    Redraw();
}

void BitmapButtonElement::GetTextColour(CRGBColor& out)
{
    const bool disabledShows = m_pDisabled && m_pCurrent == m_pDisabled.get() && m_pDisabled.get() != m_pDown.get();
    out = disabledShows ? kGreyText : m_crText;
}
