#include "Win32/Sb/Document/Transition.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/ProfileKeys.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr const char* kTypeKey = "Type";
constexpr const char* kTypeValue = "QOR Transition V2";
constexpr const char* kVersionKey = "Version";
constexpr const char* kVersionValue = "200";
constexpr const char* kRowKey = "TransitionType";
constexpr const char* kADurationKey = "ADuration";
constexpr const char* kBDurationKey = "BDuration";
constexpr const char* kOverlapKey = "OverlapDuration";
constexpr const char* kAUseColorKey = "AUseColor";
constexpr const char* kBUseColorKey = "BUseColor";
constexpr const char* kSoftnessKey = "Softness";
constexpr const char* kAColorKey = "AColor";
constexpr const char* kBColorKey = "BColor";
constexpr const char* kDirectionKey = "Direction";
constexpr const char* kShapeKey = "Shape";
constexpr const char* kStyleKey = "Style";
constexpr const char* kIdKey = "BitmapIndex";

// The one-line form: at most 199 characters in at most 20 tokens, of which
// at least 15 must be there.
constexpr size_t kLegacyLineLength = 199;
constexpr int kLegacyMaxTokens = 20;
constexpr int kLegacyMinTokens = 15;
enum LegacyToken { kTokenAColor = 1, kTokenBColor = 2, kTokenADuration = 3, kTokenBDuration = 4, kTokenOverlap = 5,
                   kTokenStyle = 9, kTokenId = 12 };

CIplImage* LoadFromBitmapModule(UINT id)
{
    CResourceSwitch bitmaps(kResourceBitmaps);
    return new (std::nothrow) CIplImage(id);
}

CataloguePictureLoader g_pictureLoader = LoadFromBitmapModule;

CIplImage* LoadCataloguePicture(INT row)
{
    const INT bitmap = TransitionCatalog::GetBitmapId(row);
    return bitmap >= 0 ? g_pictureLoader(static_cast<UINT>(bitmap)) : nullptr;
}

CMediaTime SecondsTime(float seconds)
{
    CMediaTime time;
    time.SetSeconds(seconds);
    return time;
}

// The stored form holds whole milliseconds, and a duration read back from
// it lies a little above or below the stored value as a float; rounding
// (not cutting) to the millisecond writes such a duration as it was read,
// so a storyboard loaded and saved again keeps its bytes.
CMediaTime StoredTime(float seconds)
{
    return CMediaTime::FromMilliseconds(std::round(static_cast<double>(seconds) * 1000.0));
}

} // namespace

Transition::Transition(TransitionEffect* effect) : m_pEffect(effect)
{
    m_tEnd = m_tStart + GetDuration();
}

Transition::Transition(const Transition& other)
    : StoryboardItem(other), m_pEffect(TransitionCatalog::Clone(other.m_pEffect))
{
    m_tEnd = m_tStart + GetDuration();
}

Transition::Transition(CProfile* profile, LPCSTR section)
{
    Load(profile, section);
}

Transition::~Transition()
{
    delete m_pEffect;
}

CMediaTime Transition::GetDuration() const
{
    return m_pEffect != nullptr ? SecondsTime(m_pEffect->GetOverlapDuration()) : CMediaTime();
}

BOOL Transition::IsSame(const StoryboardItem* item) const
{
    const auto* transition = dynamic_cast<const Transition*>(item);
    return transition != nullptr && m_pEffect != nullptr && transition->m_pEffect == m_pEffect;
}

void Transition::SetEffect(TransitionEffect* effect)
{
    if (effect == m_pEffect)
        return;
    delete m_pEffect;
    m_pEffect = effect;
    FreeThumbnail();
    m_nThumbnailRow = -1;
}

float Transition::GetOverlapDuration() const
{
    return m_pEffect != nullptr ? m_pEffect->GetOverlapDuration() : 0.0f;
}

INT Transition::GetTransitionId() const
{
    return m_pEffect != nullptr ? m_pEffect->GetParams()->m_nId : 0;
}

void Transition::Blend(CIplImage* imageA, CIplImage* imageB, CIplImage* output, CIplAlphaMask* mask, INT left,
                       INT top, INT right, INT bottom, double progress, INT frameCount, INT width, INT height,
                       INT bottomUp)
{
    if (m_pEffect != nullptr)
        m_pEffect->Blend(imageA, imageB, output, mask, left, top, right, bottom, progress, frameCount, width, height,
                         bottomUp);
}

void Transition::GetName(CString& name) const
{
    if (m_pEffect == nullptr)
        return;
    CResourceSwitch language(kResourceLanguage);
    name.LoadString(static_cast<UINT>(TransitionCatalog::GetNameStringId(TransitionCatalog::FindRow(m_pEffect))));
}

MediaFrame* Transition::GetThumbnail()
{
    if (m_pEffect == nullptr) {
        FreeThumbnail();
        return nullptr;
    }
    // A caller may still hold the thumbnail it was given: it is made again
    // only when the transition became another kind.
    const INT row = TransitionCatalog::FindRow(m_pEffect);
    if (m_pThumbnail != nullptr && row == m_nThumbnailRow)
        return m_pThumbnail;
    FreeThumbnail();
    m_nThumbnailRow = row;
    SetThumbnail(MakeTransitionThumbnail(LoadCataloguePicture(row)));
    return m_pThumbnail;
}

MediaFrame* MakeTransitionThumbnail(CIplImage* picture)
{
    std::unique_ptr<CIplImage> source(picture);
    if (source == nullptr || source->GetImage() == nullptr)
        return nullptr;
    auto frame = std::make_unique<MediaFrame>();
    const IplImage* image = source->GetImage();
    if (image->width > Transition::kThumbnailWidth || image->height > Transition::kThumbnailHeight) {
        // A cut from the top left, not a scaling.
        const RECT region{0, 0, Transition::kThumbnailWidth, Transition::kThumbnailHeight};
        auto cut = std::make_unique<CIplImage>(Transition::kThumbnailWidth, Transition::kThumbnailHeight, 0);
        if (cut->GetImage() == nullptr)
            return nullptr;
        source->SetRoi(&region);
        cut->SetRoi(&region);
        cut->CopyFrom(source.get());
        cut->FreeRoi();
        source->FreeRoi();
        frame->m_pImage = cut.release();
    } else {
        frame->m_pImage = source.release();
    }
    return frame.release();
}

MediaFrame* LoadTransitionMaskBitmap()
{
    return MakeTransitionThumbnail(LoadCataloguePicture(0));
}

CataloguePictureLoader SetCataloguePictureLoader(CataloguePictureLoader loader)
{
    const CataloguePictureLoader previous = g_pictureLoader;
    g_pictureLoader = loader != nullptr ? loader : LoadFromBitmapModule;
    return previous;
}

void Transition::Save(CProfile* profile, LPCSTR section) const
{
    if (profile == nullptr || m_pEffect == nullptr)
        return;
    const TransitionParams& params = *m_pEffect->GetParams();
    profile->SetString(section, kTypeKey, kTypeValue);
    profile->SetString(section, kVersionKey, kVersionValue);
    profile->SetInt(section, kRowKey, TransitionCatalog::FindRow(m_pEffect));
    profile->SetMediaTime(section, kADurationKey, StoredTime(params.m_fADuration));
    profile->SetMediaTime(section, kBDurationKey, StoredTime(params.m_fBDuration));
    profile->SetMediaTime(section, kOverlapKey, StoredTime(params.m_fOverlapDuration));
    profile->SetInt(section, kAUseColorKey, params.m_bAUseColor);
    profile->SetInt(section, kBUseColorKey, params.m_bBUseColor);
    profile->SetInt(section, kSoftnessKey, params.m_nSoftness);
    profile->SetUnsigned(section, kAColorKey, params.m_crAColor);
    profile->SetUnsigned(section, kBColorKey, params.m_crBColor);
    profile->SetInt(section, kDirectionKey, params.m_nDirection);
    profile->SetInt(section, kShapeKey, params.m_nShape);
    profile->SetInt(section, kStyleKey, params.m_nStyle);
    profile->SetInt(section, kIdKey, params.m_nId);
}

void Transition::Load(CProfile* profile, LPCSTR section)
{
    if (profile == nullptr)
        return;
    const CProfileKeys names({kKeyLegacyLine, kLegacyLineName});
    if (LPCSTR line = names.GetValue(profile, section, kKeyLegacyLine)) {
        LoadLegacyLine(line);
        return;
    }
    profile->GetInt(section, kRowKey);
    const INT id = profile->HasEntry(section, kIdKey) ? profile->GetInt(section, kIdKey) : -1;
    std::unique_ptr<TransitionEffect> effect(TransitionCatalog::Create(TransitionCatalog::FindRowById(id)));
    if (effect == nullptr)
        return;
    TransitionParams& params = *effect->GetParams();
    params.m_fADuration = static_cast<float>(profile->GetMediaTime(section, kADurationKey).GetSeconds());
    params.m_fBDuration = static_cast<float>(profile->GetMediaTime(section, kBDurationKey).GetSeconds());
    params.m_fOverlapDuration = static_cast<float>(profile->GetMediaTime(section, kOverlapKey).GetSeconds());
    // Older files have no flags: they read as 0.
    params.m_bAUseColor = profile->GetBool(section, kAUseColorKey) ? 1 : 0;
    params.m_bBUseColor = profile->GetBool(section, kBUseColorKey) ? 1 : 0;
    params.m_nSoftness = TransitionParams::ClampSoftness(profile->GetInt(section, kSoftnessKey));
    params.m_crAColor = profile->GetUnsigned(section, kAColorKey);
    params.m_crBColor = profile->GetUnsigned(section, kBColorKey);
    params.m_nStyle = profile->GetInt(section, kStyleKey);
    // Direction and shape belong to the catalogue row; the stored values
    // are read and not used.
    profile->GetInt(section, kDirectionKey);
    profile->GetInt(section, kShapeKey);
    m_pEffect = effect.release();
    m_tEnd = m_tStart + GetDuration();
}

void Transition::LoadLegacyLine(LPCSTR line)
{
    char buffer[kLegacyLineLength + 1] = {};
    std::strncpy(buffer, line, kLegacyLineLength);
    const char* tokens[kLegacyMaxTokens] = {};
    int count = 0;
    char* rest = nullptr;
    for (char* token = strtok_r(buffer, " \t\n", &rest); token != nullptr && count < kLegacyMaxTokens;
         token = strtok_r(nullptr, " \t\n", &rest))
        tokens[count++] = token;
    if (count < kLegacyMinTokens)
        return;
    std::unique_ptr<TransitionEffect> effect(
        TransitionCatalog::Create(TransitionCatalog::FindRowById(std::atoi(tokens[kTokenId]))));
    if (effect == nullptr)
        return;
    TransitionParams& params = *effect->GetParams();
    params.m_bAUseColor = 0;
    params.m_crAColor = static_cast<COLORREF>(std::atol(tokens[kTokenAColor]));
    params.m_fADuration = static_cast<float>(std::atof(tokens[kTokenADuration]));
    params.m_fOverlapDuration = static_cast<float>(std::atof(tokens[kTokenOverlap]));
    params.m_bBUseColor = 0;
    params.m_crBColor = static_cast<COLORREF>(std::atol(tokens[kTokenBColor]));
    params.m_fBDuration = static_cast<float>(std::atof(tokens[kTokenBDuration]));
    params.m_nStyle = std::atoi(tokens[kTokenStyle]);
    m_pEffect = effect.release();
    m_tEnd = m_tStart + GetDuration();
}
