#include "Win32/Sb/Media/MjpegCodecHolder.h"

#include <string_view>

#include "Platform/Mfc/String.h"
#include "Platform/Win/Kernel/Crt.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr int kMarkCharacters = 4;
constexpr int kMarkCapacity = 20;

HIC g_held = nullptr;

std::u16string LoadMark()
{
    CResourceSwitch untranslated(kResourceUntranslated);
    CString text;
    if (!text.LoadString(CMjpegCodecHolder::kMarkString))
        return {};
    const std::string mark = std::string(static_cast<LPCSTR>(text)).substr(0, kMarkCharacters);
    WCHAR wide[kMarkCapacity] = {};
    const int count = MultiByteToWideChar(CP_ACP, 0, mark.c_str(), static_cast<int>(mark.size()), wide,
                                          kMarkCapacity - 1);
    return std::u16string(wide, static_cast<std::size_t>(count > 0 ? count : 0));
}

} // namespace

CMjpegCodecHolder::CMjpegCodecHolder()
{
    g_held = nullptr;
    const std::u16string mark = LoadMark();
    ICINFO info{};
    info.dwSize = sizeof info;
    if (!ICInfo(ICTYPE_VIDEO, mmioFOURCC('M', 'J', 'P', 'G'), &info))
        return;
    HIC hic = ICOpen(ICTYPE_VIDEO, mmioFOURCC('M', 'J', 'P', 'G'), ICMODE_QUERY);
    if (hic == nullptr)
        return;
    ICGetInfo(hic, &info, sizeof info);
    if (std::u16string_view(info.szDescription).find(mark) != std::u16string_view::npos)
        g_held = hic;
    else
        ICClose(hic);
}

CMjpegCodecHolder::~CMjpegCodecHolder()
{
    if (g_held != nullptr) {
        ICClose(g_held);
        g_held = nullptr;
    }
}

HIC CMjpegCodecHolder::GetHeldCodec() { return g_held; }
