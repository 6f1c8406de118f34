#include "Win32/Sb/Render/MotionEffectRenderer.h"

#include <algorithm>
#include <memory>
#include <new>

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/MotionEffect.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/WaveBuffer.h"

namespace {

// The shadow's blur stays this far inside the frame before it is grown by
// as much again.
constexpr LONG kBlurMargin = 3;
constexpr int kBlurSize = 5;
// Values from a damaged file are kept to where the rectangles stay in
// range.
constexpr INT kLargestScale = 1000;
constexpr LONG kLargestOffset = 100000;

bool Intersects(const RECT& a, const RECT& b)
{
    return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

CompositeParams PlacementOf(const MotionEffect& effect, INT percent)
{
    return CompositeParams{effect.m_nCompositeMode, static_cast<INT>(effect.m_crKeyColor),
                           static_cast<INT>(effect.m_crKeyColor), effect.m_nKeyLevel, percent, 1, 0};
}

// The shadow rectangle: the picture's moved by the shadow offset and grown
// or shrunk about its centre to `scale` percent.
RECT ShadowRect(const RECT& picture, INT scale, CGfxPoint offset)
{
    offset.x = std::clamp<LONG>(offset.x, -kLargestOffset, kLargestOffset);
    offset.y = std::clamp<LONG>(offset.y, -kLargestOffset, kLargestOffset);
    const LONG w = picture.right - picture.left;
    const LONG h = picture.bottom - picture.top;
    const LONG growX = (w * scale / 100 - w) / 2;
    const LONG growY = (h * scale / 100 - h) / 2;
    return RECT{picture.left + offset.x - growX, picture.top + offset.y - growY, picture.right + offset.x + growX,
                picture.bottom + offset.y + growY};
}

void BlurRegion(CIplImage* image, const RECT& shadow, LONG width, LONG height)
{
    RECT region{std::max(shadow.left, kBlurMargin), std::max(shadow.top, kBlurMargin),
                std::min(shadow.right, width - kBlurMargin), std::min(shadow.bottom, height - kBlurMargin)};
    if (region.left >= region.right || region.top >= region.bottom)
        return;
    region.left -= kBlurMargin;
    region.top -= kBlurMargin;
    region.right += kBlurMargin;
    region.bottom += kBlurMargin;
    image->SetRoi(&region);
    iplBlur(image->GetImage(), image->GetImage(), kBlurSize, kBlurSize, kBlurSize / 2, kBlurSize / 2);
    image->FreeRoi();
}

} // namespace

CMotionEffectRenderer::CMotionEffectRenderer(const MotionEffect* effect, BYTE production)
    : m_pEffect(effect), m_bProduction(production)
{
    if (m_pEffect == nullptr || !m_bProduction)
        return;
    if (const Scene* overlay = m_pEffect->GetOverlayScene())
        m_pOverlay = std::make_unique<Scene>(*overlay);
    else if (!m_pEffect->m_strOverlayPath.IsEmpty())
        m_pOverlay = std::make_unique<Scene>(m_pEffect->m_strOverlayPath);
}

CMotionEffectRenderer::~CMotionEffectRenderer() = default;

CIplImage* CMotionEffectRenderer::Render(CIplImage*, LONG)
{
    return nullptr;
}

CIplImage* CMotionEffectRenderer::RenderAt(CIplImage* image, LONG milliseconds, CWaveBuffer* audio)
{
    return RenderTime(image, CMediaTime::FromMilliseconds(milliseconds), audio);
}

bool CMotionEffectRenderer::OpenOverlay(const CIplImage* image, const CMediaTime& time)
{
    const IplImage* frame = image->GetImage();
    if (frame == nullptr || !m_pOverlay->OpenReader(CGfxSize(frame->width, frame->height), m_dFrameRate))
        return false;
    m_pReader = m_pOverlay->GetReader();
    const CMediaTime in = m_pOverlay->GetInPoint();
    const CMediaTime out = m_pOverlay->GetOutPoint();
    m_pReader->SetInOut(m_pEffect->m_tOverlayOffset + out, in);
    m_pReader->SetStartPosition(m_pEffect->m_tOverlayOffset + in + time - m_pEffect->GetKeyTime0());
    return true;
}

CIplImage* CMotionEffectRenderer::RenderTime(CIplImage* image, const CMediaTime& time, CWaveBuffer* audio)
{
    if (m_pEffect == nullptr)
        return image;
    if (!m_bProduction || image == nullptr || !m_pOverlay)
        return image;
    if (m_pReader == nullptr && !OpenOverlay(image, time))
        return image;

    WAVEFORMATEX format{};
    if (audio != nullptr && audio->GetFormat() != nullptr)
        format = *audio->GetFormat();
    INT end = 0;
    std::unique_ptr<MediaFrame> frame(m_pReader->GetFrame(&end, 1, audio != nullptr ? 1 : 0, audio != nullptr ? &format : nullptr));
    if (!frame)
        return image;

    const IplImage* picture = frame->m_pImage != nullptr ? frame->m_pImage->GetImage() : nullptr;
    if (picture != nullptr) {
        const LONG w = picture->width;
        const LONG h = picture->height;
        RECT placed{};
        m_pEffect->GetRectAt(time, w, h, &placed);
        CompositeParams params = PlacementOf(*m_pEffect, std::clamp(m_pEffect->GetOpacityAt(time), 0, 100));
        const RECT whole{0, 0, w, h};
        if (params.m_nMode == MotionEffect::kDropShadow) {
            // The picture is always drawn with constant opacity, whether or
            // not its shadow lands in the frame.
            params.m_nMode = CompositeParams::kConstantOpacity;
            const RECT shadow = ShadowRect(placed, std::clamp(m_pEffect->GetShadowScaleAt(time), 0, kLargestScale),
                                           m_pEffect->GetShadowOffsetAt(time));
            if (Intersects(shadow, whole)) {
                CompositeParams shadowParams = params;
                shadowParams.m_nPercent = std::clamp(m_pEffect->GetShadowOpacityAt(time), 0, 100) * params.m_nPercent / 100;
                // The shadow is one colour, so only its part inside the
                // frame needs a picture.
                const RECT inside{std::max(shadow.left, whole.left), std::max(shadow.top, whole.top),
                                  std::min(shadow.right, whole.right), std::min(shadow.bottom, whole.bottom)};
                std::unique_ptr<CIplImage> fill(
                    new (std::nothrow) CIplImage(inside.right - inside.left, inside.bottom - inside.top, 0));
                if (fill && fill->GetImage() != nullptr) {
                    fill->FillColor(m_pEffect->GetShadowColorAt(time));
                    CompositeImageIntoRect(image, fill.get(), 0, &shadowParams, &inside);
                    if (m_pEffect->m_keys[0].m_nShadowSoftness != 0)
                        BlurRegion(image, shadow, w, h);
                }
            }
        }
        CompositeImageIntoRect(image, frame->m_pImage, frame->m_bFieldBased, &params, &placed);
    }
    if (audio != nullptr && frame->m_pAudio != nullptr) {
        INT ok = 0;
        audio->Mix(frame->m_pAudio, 1, 1, &format, &ok);
    }
    return image;
}
