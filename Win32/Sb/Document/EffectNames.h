#pragma once
// The names effects are stored under: string resources of the untranslated
// module, loaded together so that an effect either has every name it needs
// or writes and reads nothing. Also the shared ids of those names and of the
// messages the effects show.

#include <initializer_list>
#include <map>
#include <string>

#include "Platform/Win/Base/WinTypes.h"

namespace effect_names {

// The list and the key times.
constexpr UINT kOlderTextSection = 1001;
constexpr UINT kSpectrumPresent = 1036;
constexpr UINT kTextPresent = 1037;
constexpr UINT kMotionPresent = 1038;
constexpr UINT kEffectCount = 1039;
constexpr UINT kOverlayIsMotion = 1040;
constexpr UINT kOverlayPrefix = 1041;
constexpr UINT kOverlayCount = 1042;
constexpr UINT kOverlayEffectCount = 1043;
constexpr UINT kSpectrumStyle = 1050;
constexpr UINT kMotionSection = 1066;
constexpr UINT kColorMarker = 1077;
constexpr UINT kKeyTime0 = 1154;
constexpr UINT kKeyTime3 = 1155;
constexpr UINT kKeyTime1 = 1156;
constexpr UINT kKeyTime2 = 1157;
constexpr UINT kTextSection = 1161;
constexpr UINT kSpectrumSection = 1162;
// The colour effect's values, in the scene section.
constexpr UINT kBrightness = 1078;
constexpr UINT kSaturation = 1079;
constexpr UINT kContrast = 1080;
constexpr UINT kRedShift = 1082;
constexpr UINT kGreenShift = 1083;
constexpr UINT kBlueShift = 1084;
constexpr UINT kOlderColorLevel = 1085;
constexpr UINT kMonochrome = 1086;
// The media path a scene stores; the overlay of a motion effect is found
// by it.
constexpr UINT kMediaPath = 1020;

// Messages of the language module.
constexpr UINT kSaveNameMissing = 4391;
constexpr UINT kLoadNameMissing = 4392;
constexpr UINT kOlderTitleNameMissing = 52042;
constexpr UINT kOlderTitleFontMissing = 52043;

// Entries that are not string resources.
constexpr const char* kListComment = "Comment for List";
constexpr const char* kListCommentValue = "List Effects";

} // namespace effect_names

// A set of names loaded from the untranslated module.
class EffectNames {
public:
    // Loads every id; false when one is missing or empty. A missing name
    // reads as "#" and its id, so that names stay distinct.
    bool Load(std::initializer_list<UINT> ids);
    bool LoadRange(UINT first, UINT last);
    // The name, or "" when it was not loaded.
    const char* operator[](UINT id) const;
    // Name `id` followed by `suffix`.
    std::string With(UINT id, const std::string& suffix) const;

private:
    bool LoadOne(UINT id);

    std::map<UINT, std::string> m_names;
};

// Shows a message of the language module with the exclamation icon.
void ShowEffectMessage(UINT id);
