#include "Platform/Outside/Dv1394/Dv1394.h"

#include <mutex>

namespace {

std::mutex& SettingLock()
{
    static std::mutex lock;
    return lock;
}

Dv1394StackSetting& Setting()
{
    static Dv1394StackSetting setting;
    return setting;
}

} // namespace

Dv1394StackSetting GetDv1394StackSetting()
{
    std::lock_guard<std::mutex> guard(SettingLock());
    return Setting();
}

void SetDv1394StackSetting(const Dv1394StackSetting& setting)
{
    std::lock_guard<std::mutex> guard(SettingLock());
    Setting() = setting;
}

int GetPAPISupportInfo(BYTE* support)
{
    const Dv1394StackSetting setting = GetDv1394StackSetting();
    if (support != nullptr)
        *support = setting.busLibraryPresent ? setting.support : 0;
    return setting.busLibraryPresent ? 1 : 0;
}

BOOL GetDvCodecFileVersion(DWORD* versionMS, DWORD* versionLS)
{
    const Dv1394StackSetting setting = GetDv1394StackSetting();
    const BOOL present = setting.codecPresent;
    if (versionMS != nullptr)
        *versionMS = present ? setting.codecVersionMS : 0;
    if (versionLS != nullptr)
        *versionLS = present ? setting.codecVersionLS : 0;
    return present;
}
