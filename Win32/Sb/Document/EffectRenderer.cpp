#include "Win32/Sb/Document/EffectRenderer.h"

#include "Platform/Win/Kernel/System.h"
#include "Win32/Sb/Document/EffectNames.h"
#include "Win32/Utils/CpuInfo.h"
#include "Win32/Utils/Profile.h"

namespace {

// The queries of CpuInfo.cpp that answer the feature bits 0x800000 (MMX)
// and 0x2000000 (SSE).
constexpr int kMmxQuery = 23;
constexpr int kSseQuery = 28;

} // namespace

CIplImage* CEffectRenderer::Render(CIplImage*, LONG)
{
    return nullptr;
}

CIplImage* CFilterRenderer::Render(CIplImage* image, LONG)
{
    ApplyTo(image);
    return image;
}

void CFilterRenderer::ApplyTo(CIplImage*) {}

INT CFilterRenderer::GetKind() const
{
    return 0;
}

void CFilterRenderer::Save(CProfile* profile, LPCSTR section)
{
    EffectNames names;
    if (profile == nullptr || !names.Load({effect_names::kColorMarker}))
        return;
    profile->SetInt(section, names[effect_names::kColorMarker], GetKind());
    SaveParams(profile, section);
}

CFilterRenderer* CFilterRenderer::Clone() const
{
    return nullptr;
}

void CFilterRenderer::SaveParams(CProfile*, LPCSTR) {}

void CFilterRenderer::LoadParams(CProfile*, LPCSTR) {}

bool IsWindowsNT()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool HasMmx()
{
    return QueryCpuInfo(kMmxQuery) != 0 || QueryCpuInfo(kSseQuery) != 0;
}
