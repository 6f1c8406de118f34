#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DocumentMediaSupport.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Utils/Profile.h"

namespace {

constexpr char kSection[] = "Transition1";

// The effect of catalogue id `id` with every parameter set.
TransitionEffect* MakeEffect(INT id, INT useA, INT useB)
{
    TransitionEffect* effect = TransitionCatalog::Create(TransitionCatalog::FindRowById(id));
    TransitionParams& params = *effect->GetParams();
    params.m_crAColor = RGB(1, 2, 3);
    params.m_crBColor = RGB(250, 251, 252);
    params.m_fADuration = 1.25f;
    params.m_fBDuration = 3.5f;
    params.m_fOverlapDuration = 0.75f;
    params.m_bAUseColor = useA;
    params.m_bBUseColor = useB;
    params.m_nStyle = 2;
    params.m_nSoftness = 10;
    return effect;
}

void ExpectSameParams(const Transition& loaded, const Transition& saved)
{
    ASSERT_TRUE(loaded.IsValid());
    const TransitionParams& a = *loaded.GetEffect()->GetParams();
    const TransitionParams& b = *saved.GetEffect()->GetParams();
    EXPECT_EQ(a.m_nId, b.m_nId);
    EXPECT_EQ(a.m_nFamily, b.m_nFamily);
    EXPECT_EQ(a.m_nDirection, b.m_nDirection);
    EXPECT_EQ(a.m_crAColor, b.m_crAColor);
    EXPECT_EQ(a.m_crBColor, b.m_crBColor);
    EXPECT_NEAR(a.m_fADuration, b.m_fADuration, 1e-3);
    EXPECT_NEAR(a.m_fBDuration, b.m_fBDuration, 1e-3);
    EXPECT_NEAR(a.m_fOverlapDuration, b.m_fOverlapDuration, 1e-3);
    EXPECT_EQ(a.m_bAUseColor, b.m_bAUseColor);
    EXPECT_EQ(a.m_bBUseColor, b.m_bBUseColor);
    EXPECT_EQ(a.m_nStyle, b.m_nStyle);
    EXPECT_EQ(a.m_nSoftness, b.m_nSoftness);
}

class TransitionItemTest : public document_media::DocumentMediaTest {};

TEST_F(TransitionItemTest, ATransitionRoundTripsWithItsColourFlags)
{
    for (auto [useA, useB] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
        Transition saved(MakeEffect(33, useA, useB));
        CProfile profile;
        saved.Save(&profile, kSection);
        CProfile reloaded;
        RoundTrip(profile, reloaded);
        Transition loaded(&reloaded, kSection);
        ExpectSameParams(loaded, saved);
        EXPECT_DOUBLE_EQ(loaded.GetDuration().GetSeconds(), 0.75);
        EXPECT_EQ(loaded.GetEnd(), loaded.GetDuration());
    }
    CProfile profile;
    Transition(MakeEffect(33, 1, 1)).Save(&profile, kSection);
    EXPECT_STREQ(profile.GetValue(kSection, "Type"), "QOR Transition V2");
    EXPECT_STREQ(profile.GetValue(kSection, "Version"), "200");
    EXPECT_EQ(profile.GetInt(kSection, "TransitionType"), TransitionCatalog::FindRowById(33));
    EXPECT_EQ(profile.GetInt(kSection, "BitmapIndex"), 33);
    EXPECT_EQ(profile.GetUnsigned(kSection, "BColor"), RGB(250, 251, 252));
}

TEST_F(TransitionItemTest, OlderSectionsWithoutColourFlagsReadThemAsZero)
{
    CProfile profile;
    Transition(MakeEffect(5, 1, 1)).Save(&profile, kSection);
    CProfile older;
    for (const char* key : {"Type", "Version", "TransitionType", "ADuration", "BDuration", "OverlapDuration", "Softness",
                            "AColor", "BColor", "Direction", "Shape", "Style", "BitmapIndex"})
        older.SetValue(kSection, key, profile.GetValue(kSection, key));
    Transition loaded(&older, kSection);
    ASSERT_TRUE(loaded.IsValid());
    EXPECT_EQ(loaded.GetEffect()->GetAUseColor(), 0);
    EXPECT_EQ(loaded.GetEffect()->GetBUseColor(), 0);
}

TEST_F(TransitionItemTest, DirectionAndShapeComeFromTheCatalogueAndTheIdPicksTheKind)
{
    CProfile profile;
    Transition(MakeEffect(33, 0, 0)).Save(&profile, kSection);
    profile.SetInt(kSection, "Direction", 7);
    profile.SetInt(kSection, "Shape", 4);
    Transition edited(&profile, kSection);
    const INT row = TransitionCatalog::FindRowById(33);
    EXPECT_EQ(edited.GetEffect()->GetParams()->m_nDirection, TransitionCatalog::GetDirection(row));
    EXPECT_EQ(edited.GetEffect()->GetParams()->m_nShape, TransitionCatalog::GetRow(row)->m_nShape);

    profile.SetInt(kSection, "BitmapIndex", 52);
    Transition door(&profile, kSection);
    EXPECT_EQ(door.GetTransitionId(), 52);
    EXPECT_EQ(door.GetEffect()->GetRendererFamily(), 10);
}

TEST_F(TransitionItemTest, SectionsThatNameNoTransitionGiveNoEffect)
{
    struct Case {
        const char* what;
        const char* id;
    } const cases[] = {{"id 60", "60"}, {"id -1", "-1"}, {"a word", "wipe"}, {"no id", nullptr}};
    for (const Case& c : cases) {
        CProfile profile;
        profile.SetValue(kSection, "ADuration", "garbage");
        if (c.id != nullptr)
            profile.SetValue(kSection, "BitmapIndex", c.id);
        Transition transition(&profile, kSection);
        if (c.id != nullptr && std::string(c.id) == "wipe") {
            // A word reads as 0, the cut.
            EXPECT_TRUE(transition.IsValid()) << c.what;
            continue;
        }
        EXPECT_FALSE(transition.IsValid()) << c.what;
        EXPECT_EQ(transition.GetDuration(), CMediaTime()) << c.what;
        EXPECT_EQ(transition.GetThumbnail(), nullptr) << c.what;
        CString name;
        transition.GetName(name);
        EXPECT_TRUE(name.IsEmpty()) << c.what;
    }
    Transition none(nullptr, kSection);
    EXPECT_FALSE(none.IsValid());
}

TEST_F(TransitionItemTest, EveryDamagedEntryLoadsWithoutHarm)
{
    CProfile saved;
    Transition(MakeEffect(33, 1, 1)).Save(&saved, kSection);
    for (CProfileEntry* entry = saved.GetFirstSection()->m_pFirstEntry; entry != nullptr; entry = entry->m_pNext) {
        for (const char* damage : {"", "junk", "-99999999999", "4294967296", "1e40"}) {
            CProfile profile;
            for (CProfileEntry* e = saved.GetFirstSection()->m_pFirstEntry; e != nullptr; e = e->m_pNext)
                profile.SetValue(kSection, e->m_strName.c_str(), e == entry ? damage : e->m_strValue.c_str());
            Transition transition(&profile, kSection);
            if (!transition.IsValid())
                continue;
            const TransitionParams& params = *transition.GetEffect()->GetParams();
            EXPECT_GE(params.m_nSoftness, 0) << entry->m_strName << "=" << damage;
            EXPECT_LE(params.m_nSoftness, TransitionParams::kMaxSoftness) << entry->m_strName << "=" << damage;
            Transition copy(transition);
            EXPECT_TRUE(copy.IsValid());
        }
    }
}

TEST_F(TransitionItemTest, TheLegacyLineNeedsFifteenTokens)
{
    const std::string legacy = document_media::KeyName(Transition::kKeyLegacyLine);
    // Tokens: 0, A colour, B colour, A duration, B duration, overlap, 6, 7,
    // 8, style, 10, 11, id, 13, 14.
    const std::string fifteen = "9 255 65280 1.5 2.5 0.5 6 7 8 3 10 11 24 13 14";
    struct Case {
        std::string line;
        bool valid;
    } const cases[] = {
        {fifteen, true},
        {"9\t255\n65280 1.5 2.5 0.5 6 7 8 3 10 11 24 13", false},
        {fifteen + " 15 16 17 18 19 20 21 22", true},
        // The fifteenth token lies past the 199th character.
        {"9 255 65280 1.5 2.5 0.5 6 7 8 3 10 11 24 13 " + std::string(160, ' ') + "14", false},
        {"9 255 65280 1.5 2.5 0.5 6 7 8 3 10 11 60 13 14", false},
        {"", false},
    };
    for (const Case& c : cases) {
        CProfile profile;
        profile.SetValue(kSection, legacy.c_str(), c.line.c_str());
        // The one-line form wins over the keys of the current form.
        profile.SetInt(kSection, "BitmapIndex", 1);
        Transition transition(&profile, kSection);
        EXPECT_EQ(transition.IsValid(), c.valid ? TRUE : FALSE) << c.line;
        if (!c.valid || !transition.IsValid())
            continue;
        const TransitionParams& params = *transition.GetEffect()->GetParams();
        EXPECT_EQ(params.m_nId, 24);
        EXPECT_EQ(params.m_crAColor, 255u);
        EXPECT_EQ(params.m_crBColor, 65280u);
        EXPECT_FLOAT_EQ(params.m_fADuration, 1.5f);
        EXPECT_FLOAT_EQ(params.m_fBDuration, 2.5f);
        EXPECT_FLOAT_EQ(params.m_fOverlapDuration, 0.5f);
        EXPECT_EQ(params.m_nStyle, 3);
        EXPECT_EQ(params.m_nSoftness, 0);
        EXPECT_EQ(params.m_bAUseColor, 0);
    }
}

TEST_F(TransitionItemTest, ACopyOutlivesItsSource)
{
    auto source = std::make_unique<Transition>(MakeEffect(40, 1, 0));
    source->SetStart(CMediaTime(0, 0, 4));
    Transition copy(*source);
    EXPECT_NE(copy.GetEffect(), source->GetEffect());
    EXPECT_FALSE(copy.IsSame(source.get()));
    EXPECT_TRUE(source->IsSame(source.get()));
    ExpectSameParams(copy, *source);
    source.reset();
    EXPECT_DOUBLE_EQ(copy.GetEnd().GetSeconds(), 4.75);
    EXPECT_FLOAT_EQ(copy.GetOverlapDuration(), 0.75f);
    std::unique_ptr<StoryboardItem> clone(copy.Clone());
    EXPECT_EQ(clone->GetKind(), StoryboardItem::kKindTransition);
    EXPECT_TRUE(clone->IsValid());
}

TEST_F(TransitionItemTest, TheNameIsTheCatalogueName)
{
    for (auto [id, expected] : {std::pair{0, "Cut"}, {1, "Dissolve"}, {52, "Door 1"}}) {
        Transition transition(MakeEffect(id, 0, 0));
        CString name;
        transition.GetName(name);
        EXPECT_STREQ(name, expected);
    }
}

// A picture whose column 80 is white and the rest black.
CIplImage* Picture(int width, int height)
{
    auto* image = new CIplImage(width, height, 0);
    if (width > 80) {
        const RECT column{80, 0, 81, height};
        image->SetRoi(&column);
        image->FillColor(RGB(255, 255, 255));
        image->FreeRoi();
    }
    return image;
}

TEST_F(TransitionItemTest, CataloguePicturesAreCutToEightyBySixty)
{
    struct Case {
        int width;
        int height;
        int thumbWidth;
        int thumbHeight;
    } const cases[] = {{81, 60, 80, 60}, {80, 61, 80, 60}, {80, 60, 80, 60}, {40, 30, 40, 30}};
    for (const Case& c : cases) {
        CIplImage* picture = Picture(c.width, c.height);
        std::unique_ptr<MediaFrame> thumbnail(MakeTransitionThumbnail(picture));
        ASSERT_NE(thumbnail, nullptr);
        EXPECT_EQ(thumbnail->m_pAudio, nullptr);
        EXPECT_EQ(media_tests::WidthOf(thumbnail->m_pImage), c.thumbWidth) << c.width << "x" << c.height;
        EXPECT_EQ(media_tests::HeightOf(thumbnail->m_pImage), c.thumbHeight) << c.width << "x" << c.height;
        // Cut from the origin: the white column 80 is not in it.
        EXPECT_EQ(media_tests::PixelAt(thumbnail->m_pImage, 79, 0), RGB(0, 0, 0));
        if (c.width <= 80 && c.height <= 60) {
            EXPECT_EQ(thumbnail->m_pImage, picture);
        }
    }
    EXPECT_EQ(MakeTransitionThumbnail(nullptr), nullptr);
    EXPECT_EQ(MakeTransitionThumbnail(new CIplImage()), nullptr);
}

TEST_F(TransitionItemTest, WithoutItsBitmapATransitionHasNoThumbnail)
{
    Transition transition(MakeEffect(0, 0, 0));
    MediaFrame* first = transition.GetThumbnail();
    EXPECT_EQ(transition.GetThumbnail(), first);
    std::unique_ptr<MediaFrame> mask(LoadTransitionMaskBitmap());
    EXPECT_EQ(mask != nullptr, first != nullptr);
}

// Catalogue pictures of 81 x 60 whose ids the test sees.
struct PictureLog {
    static inline std::vector<UINT> s_ids;
    static CIplImage* Load(UINT id)
    {
        s_ids.push_back(id);
        return Picture(81, 60);
    }
};

TEST_F(TransitionItemTest, AThumbnailIsKeptUntilTheTransitionChanges)
{
    PictureLog::s_ids.clear();
    const CataloguePictureLoader previous = SetCataloguePictureLoader(PictureLog::Load);
    {
        Transition transition(MakeEffect(1, 0, 0));
        MediaFrame* thumbnail = transition.GetThumbnail();
        ASSERT_NE(thumbnail, nullptr);
        EXPECT_EQ(media_tests::WidthOf(thumbnail->m_pImage), 80);
        // A caller still holding the first thumbnail keeps a valid frame.
        EXPECT_EQ(transition.GetThumbnail(), thumbnail);
        EXPECT_EQ(media_tests::WidthOf(thumbnail->m_pImage), 80);
        EXPECT_EQ(PictureLog::s_ids, (std::vector<UINT>{482}));

        transition.GetEffect()->ApplyRow(2);
        EXPECT_NE(transition.GetThumbnail(), nullptr);
        transition.SetEffect(MakeEffect(52, 0, 0));
        EXPECT_NE(transition.GetThumbnail(), nullptr);
        EXPECT_EQ(PictureLog::s_ids, (std::vector<UINT>{482, 257, 1015}));
        std::unique_ptr<MediaFrame> mask(LoadTransitionMaskBitmap());
        ASSERT_NE(mask, nullptr);
        EXPECT_EQ(PictureLog::s_ids.back(), 481u);
    }
    SetCataloguePictureLoader(previous);
}

} // namespace
