#include "Win32/Toolkit/TransparentButtonElement.h"

#include "Win32/Imaging/DrawContext.h"
#include "Win32/Imaging/GdiBitmap.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr CRGBColor kPictureKey(255, 0, 255);

} // namespace

TransparentButtonElement::~TransparentButtonElement() = default;

void TransparentButtonElement::Paint(CDrawContext* context, const CGfxRect& target, const CGfxPoint& origin)
{
    BitmapButtonElement::Paint(context, target, origin);
    if (!context || !ReadListLong(ButtonElementProperties::kChecked) || !m_nImageId)
        return;
    CResourceSwitch bitmaps(kResourceBitmaps);
    CGdiBitmap picture(GetCurrentResourceHandle(), m_nImageId, &kPictureKey);
    if (!picture.IsValid())
        return;
    PanelElement* parent = GetParentElement();
    CGdiBitmap* background = parent ? parent->GetBackgroundBitmap() : nullptr;
    CGdiBitmap* face = GetCurrentImage();
    if (!background || !background->GetHandle() || !face || !face->IsValid())
        return;
    const CGfxPoint corner(0, 0);
    context->DrawTransparent(target, &picture, corner, face, &corner, nullptr, nullptr);
}
