#include <gtest/gtest.h>

#include <vector>

#include "Platform/Win/User/DesktopHost.h"
#include "Platform/Win/User/MessageBox.h"

namespace {

class BeepingDesktop : public win::user::DesktopHost {
public:
    void DesktopChanged() override {}
    void Beep(UINT type) override { m_types.push_back(type); }

    std::vector<UINT> m_types;
};

TEST(UserBeep, TheHostPlaysTheSoundOfTheType)
{
    BeepingDesktop desktop;
    win::user::SetDesktopHost(&desktop);
    EXPECT_TRUE(MessageBeep(MB_ICONHAND));
    EXPECT_TRUE(MessageBeep(MB_SIMPLEBEEP));
    win::user::SetDesktopHost(nullptr);
    EXPECT_EQ(desktop.m_types, (std::vector<UINT>{MB_ICONHAND, MB_SIMPLEBEEP}));
}

TEST(UserBeep, WithoutAHostNothingSounds)
{
    win::user::SetDesktopHost(nullptr);
    EXPECT_FALSE(MessageBeep(MB_ICONHAND));
}

} // namespace
