#include "Win32/Sb/Render/SpectrumEffectRenderer.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Render/SpectrumRules.h"

namespace {

// A frame this close before its segment still counts as inside it.
constexpr double kEarlyWindow = 0.0005;
constexpr double kLargestLevel = 10000.0;
// Times far past the segment keep its direction without leaving the range
// the rules compute in.
constexpr double kLargestProgress = 1000.0;

constexpr INT kInPlaceStyles[] = {2, 6, 10, 11, 12, 17, 18, 19, 20, 22, 23};

double Seconds(LONGLONG milliseconds)
{
    return static_cast<double>(milliseconds) * 0.001;
}

bool SameSize(const IplImage* a, const IplImage* b)
{
    return a != nullptr && b != nullptr && a->width == b->width && a->height == b->height;
}

} // namespace

bool SpectrumStyleDrawsInPlace(INT style)
{
    return std::find(std::begin(kInPlaceStyles), std::end(kInPlaceStyles), style) != std::end(kInPlaceStyles);
}

CSpectrumEffectRenderer::CSpectrumEffectRenderer(CIplImage*, const SpectrumEffect& effect)
    : m_effect(effect), m_nStyle(effect.m_nStyle)
{
    m_state.m_nStyle = m_nStyle;
    m_state.m_crColor = effect.m_crColor;
    m_state.m_nStartLevel = effect.m_nLevelStart;
    m_state.m_nEndLevel = effect.m_nLevelEnd;
    m_state.m_dSegmentStart = effect.GetKeyTime0().GetSeconds();
    m_state.m_dSegmentLength = effect.GetKeyTime3().GetSeconds() - effect.GetKeyTime0().GetSeconds();
}

CSpectrumEffectRenderer::~CSpectrumEffectRenderer() = default;

void CSpectrumEffectRenderer::SelectSegment(LONG milliseconds)
{
    const LONGLONG t0 = m_effect.GetKeyTime0().GetMilliseconds();
    const LONGLONG t1 = m_effect.GetKeyTime1().GetMilliseconds();
    const LONGLONG t2 = m_effect.GetKeyTime2().GetMilliseconds();
    const LONGLONG t3 = m_effect.GetKeyTime3().GetMilliseconds();
    auto select = [this](INT from, INT to, LONGLONG start, LONGLONG end) {
        m_state.m_nStartLevel = from;
        m_state.m_nEndLevel = to;
        m_state.m_dSegmentStart = Seconds(start);
        m_state.m_dSegmentLength = Seconds(end) - Seconds(start);
    };
    if (milliseconds >= t0 && milliseconds < t1)
        select(m_effect.m_nLevelStart, m_effect.m_nLevelHold, t0, t1);
    else if (milliseconds >= t1 && milliseconds < t2)
        select(m_effect.m_nLevelHold, m_effect.m_nLevelHold, t1, t2);
    else if (milliseconds >= t2 && milliseconds <= t3)
        select(m_effect.m_nLevelHold, m_effect.m_nLevelEnd, t2, t3);
}

CIplImage* CSpectrumEffectRenderer::Render(CIplImage* image, LONG milliseconds)
{
    if (image == nullptr)
        return nullptr;
    IplImage* frame = image->GetImage();
    if (frame == nullptr || frame->imageData == nullptr || frame->nChannels != 3 || frame->width <= 0
        || frame->height <= 0)
        return image;
    m_random.Seed(static_cast<DWORD>(milliseconds));
    SelectSegment(milliseconds);
    const double t = Seconds(milliseconds);
    if (m_state.m_dSegmentLength <= 0.0 || t + kEarlyWindow < m_state.m_dSegmentStart)
        return image;
    const double progress =
        std::clamp((t - m_state.m_dSegmentStart) / m_state.m_dSegmentLength, -kLargestProgress, kLargestProgress);

    const IplImage* source = frame;
    if (!SpectrumStyleDrawsInPlace(m_nStyle)) {
        if (!m_pSource || !SameSize(m_pSource->GetImage(), frame)) {
            m_pSource.reset(new (std::nothrow) CIplImage(frame->width, frame->height, 0));
            if (!m_pSource || m_pSource->GetImage() == nullptr) {
                m_pSource.reset();
                return image;
            }
        }
        m_pSource->CopyFrom(image);
        source = m_pSource->GetImage();
    }

    SpectrumCanvas canvas{};
    canvas.source = reinterpret_cast<const BYTE*>(source->imageData);
    canvas.sourceStride = source->widthStep;
    canvas.frame = reinterpret_cast<BYTE*>(frame->imageData);
    canvas.frameStride = frame->widthStep;
    canvas.width = frame->width;
    canvas.height = frame->height;
    // Levels from a damaged file are kept to where every rule's arithmetic
    // stays in range.
    const double start = m_state.m_nStartLevel;
    const double end = m_state.m_nEndLevel;
    canvas.level = std::clamp(start + (end - start) * progress, -kLargestLevel, kLargestLevel);
    canvas.progress = progress;
    canvas.color[0] = static_cast<BYTE>(m_state.m_crColor >> 16);
    canvas.color[1] = static_cast<BYTE>(m_state.m_crColor >> 8);
    canvas.color[2] = static_cast<BYTE>(m_state.m_crColor);
    canvas.random = &m_random;
    DrawSpectrumStyle(m_nStyle, canvas);
    return image;
}
