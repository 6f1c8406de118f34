#include "Win32/Sb/Render/TextEffectRenderer.h"

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/TextEffect.h"

namespace {

constexpr double kDefaultRate = 15.0;
constexpr INT kPreviewPhaseBits = CTextRasterizer::kTwoColumnPhases | CTextRasterizer::kFourColumnPhases
    | CTextRasterizer::kTwoRowPhases | CTextRasterizer::kFourRowPhases;
constexpr INT kProductionPhaseBits = CTextRasterizer::kFourColumnPhases | CTextRasterizer::kFourRowPhases;

// A COLORREF with its transparency byte as 0xAARRGGBB.
DWORD ToArgb(DWORD color)
{
    return (color & 0xFF000000u) | (color & 0xFFu) << 16 | (color & 0xFF00u) | (color >> 16 & 0xFFu);
}

INT FrameOf(const CMediaTime& time, double rate)
{
    return static_cast<INT>(time.GetSeconds() * rate);
}

} // namespace

TextFrameState TextFrameStateOf(const TextKeyState& state)
{
    TextFrameState out;
    out.m_crFace = ToArgb(state.m_crColor1);
    out.m_crOutline = ToArgb(state.m_crColor2);
    out.m_crShadow = ToArgb(state.m_crColor3);
    out.m_nAnchor = state.m_nAnchor;
    out.m_fX = state.m_fX;
    out.m_fY = state.m_fY;
    out.m_fAnchorX = state.m_fExtra1;
    out.m_fAnchorY = state.m_fExtra2;
    out.m_fZoom = 0.0f;
    return out;
}

CTextEffectRenderer::CTextEffectRenderer(INT, TextEffect* effect, double rate, BYTE quality)
    : m_pEffect(effect), m_dFrameRate(rate != 0.0 ? rate : kDefaultRate), m_bQuality(quality)
{
    if (m_pEffect == nullptr)
        return;
    if (m_bQuality)
        m_pEffect->m_nStyleFlags |= kProductionPhaseBits;
    else
        m_pEffect->m_nStyleFlags &= ~kPreviewPhaseBits;

    TextRasterizerSetup setup{};
    setup.m_lf = m_pEffect->m_lf;
    setup.m_nAlign = m_pEffect->m_nTextAlign;
    setup.m_nStyle = m_pEffect->m_nStyleFlags;
    setup.m_pszText = m_pEffect->m_szText;
    setup.m_fScaleY = static_cast<float>(m_pEffect->m_dScaleY);
    setup.m_fScaleX = static_cast<float>(m_pEffect->m_dScaleX);
    setup.m_fOutline = static_cast<float>(m_pEffect->m_dOutlineFraction);
    setup.m_fSoftness = static_cast<float>(m_pEffect->m_dEdgePercent * 0.01);
    m_pRasterizer = std::make_unique<CTextRasterizer>(setup);
    if (!m_pRasterizer->IsValid())
        return;
    m_bValid = 1;

    TextAnimation animation;
    animation.m_nFlags = m_pEffect->m_nStyleFlags;
    animation.m_nStart = FrameOf(m_pEffect->GetKeyTime0(), m_dFrameRate);
    animation.m_nEnterEnd = FrameOf(m_pEffect->GetKeyTime1(), m_dFrameRate);
    animation.m_nExitStart = FrameOf(m_pEffect->GetKeyTime2(), m_dFrameRate);
    animation.m_nStop = FrameOf(m_pEffect->GetKeyTime3(), m_dFrameRate);
    for (int i = 0; i < 4; ++i)
        animation.m_states[i] = TextFrameStateOf(m_pEffect->m_keyStates[i]);
    m_pRasterizer->SetAnimation(animation);
    m_pRasterizer->SetShadowDistance(static_cast<float>(m_pEffect->m_dOffsetPercent));
    m_pRasterizer->SetShadowAngle(static_cast<float>(m_pEffect->m_dOffsetAngle));
}

CTextEffectRenderer::~CTextEffectRenderer() = default;

CIplImage* CTextEffectRenderer::Render(CIplImage* image, LONG frame)
{
    IplImage* pixels = image != nullptr ? image->GetImage() : nullptr;
    if (!m_bValid || pixels == nullptr || pixels->imageData == nullptr || pixels->nChannels != 3)
        return image;
    // Rows that run from the top are drawn flipped: the rasteriser measures
    // from the bottom of the frame.
    const INT flip = pixels->origin == IPL_ORIGIN_TL ? 1 : 0;
    m_pRasterizer->DrawFrame(reinterpret_cast<BYTE*>(pixels->imageData), pixels->width, pixels->height,
                             pixels->widthStep, frame, flip);
    return image;
}
