#include <gtest/gtest.h>

#include "Platform/DShow/tests/GraphTestSupport.h"

namespace {

using namespace dshow_test;

com::ComPtr<IReferenceClock> SystemClock()
{
    com::ComPtr<IReferenceClock> clock;
    EXPECT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                               clock.ReceiveVoid()),
              S_OK);
    return clock;
}

TEST(SystemClock, SignalsAnEventOnceItsTimeHasCome)
{
    auto clock = SystemClock();
    REFERENCE_TIME now = 0;
    ASSERT_EQ(clock->GetTime(&now), S_OK);
    CAMEvent due;
    DWORD_PTR cookie = 0;
    ASSERT_EQ(clock->AdviseTime(now, 30 * MILLISECONDS, reinterpret_cast<HEVENT>(static_cast<HANDLE>(due)), &cookie),
              S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_TRUE(due.Wait(kLongWait));
    REFERENCE_TIME later = 0;
    clock->GetTime(&later);
    EXPECT_GE(later, now + 30 * MILLISECONDS);
    EXPECT_EQ(clock->Unadvise(cookie), S_FALSE) << "a one-shot advise is gone once signalled";
}

TEST(SystemClock, ReleasesASemaphorePeriodicallyUntilUnadvised)
{
    auto clock = SystemClock();
    REFERENCE_TIME now = 0;
    clock->GetTime(&now);
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 100, nullptr);
    DWORD_PTR cookie = 0;
    ASSERT_EQ(clock->AdvisePeriodic(now + 5 * MILLISECONDS, 5 * MILLISECONDS, reinterpret_cast<HSEMAPHORE>(semaphore),
                                    &cookie),
              S_OK);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(WaitForSingleObject(semaphore, kLongWait), WAIT_OBJECT_0);
    EXPECT_EQ(clock->Unadvise(cookie), S_OK);
    CloseHandle(semaphore);
}

TEST(SystemClock, RefusesAdvisesItCannotServe)
{
    auto clock = SystemClock();
    DWORD_PTR cookie = 1;
    EXPECT_EQ(clock->AdviseTime(0, 0, 0, &cookie), E_INVALIDARG);
    EXPECT_EQ(cookie, 0u);
    EXPECT_EQ(clock->AdvisePeriodic(100, 0, 1, &cookie), E_INVALIDARG);
    EXPECT_EQ(clock->Unadvise(12345), S_FALSE);
}

} // namespace
