#include <chrono>
#include <cstddef>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "Platform/DShow/DShow.h"

namespace {

using namespace std::chrono_literals;

com::ComPtr<IMemAllocator> AllocatorWith(LONG buffers, LONG size)
{
    com::ComPtr<IMemAllocator> allocator;
    EXPECT_EQ(CreateMemoryAllocator(allocator.Receive()), S_OK);
    ALLOCATOR_PROPERTIES request{buffers, size, 1, 0}, actual{};
    EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    return allocator;
}

// A memory allocator that shows how many threads wait in its GetBuffer.
class WatchedAllocator final : public CMemAllocator {
public:
    explicit WatchedAllocator(HRESULT* result) : CMemAllocator(NAME("Watched allocator"), nullptr, result) {}
    LONG Waiting()
    {
        CAutoLock lock(this);
        return m_lWaiting;
    }
};

com::ComPtr<WatchedAllocator> WatchedAllocatorWith(LONG buffers, LONG size)
{
    HRESULT hr = S_OK;
    auto allocator = com::ComPtr<WatchedAllocator>(new WatchedAllocator(&hr));
    EXPECT_EQ(hr, S_OK);
    ALLOCATOR_PROPERTIES request{buffers, size, 1, 0}, actual{};
    EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    return allocator;
}

// Whether `count` threads came to wait in GetBuffer within ten seconds: a
// waiter counts itself under the allocator's lock just before it blocks.
bool WaitersArrive(WatchedAllocator* allocator, LONG count)
{
    for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;) {
        if (allocator->Waiting() == count)
            return true;
        std::this_thread::yield();
    }
    return false;
}

com::ComPtr<IMediaSample> Take(IMemAllocator* allocator)
{
    com::ComPtr<IMediaSample> sample;
    EXPECT_EQ(allocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0), S_OK);
    return sample;
}

TEST(MemAllocator, RefusesAlignmentsTheMemoryCannotGive)
{
    com::ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(CreateMemoryAllocator(allocator.Receive()), S_OK);
    // An alignment must divide the allocation granularity (64 KiB).
    for (LONG align : {0, 0x20000}) {
        ALLOCATOR_PROPERTIES request{2, 100, align, 0}, actual{};
        EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BADALIGN) << align;
    }
    ALLOCATOR_PROPERTIES request{2, 100, 16, 8}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(actual.cbAlign, 16);
    EXPECT_EQ((actual.cbBuffer + actual.cbPrefix) % 16, 0) << "buffers after their prefix stay aligned";
    EXPECT_GE(actual.cbBuffer, 100);
}

TEST(MemAllocator, HandsOutBuffersOnlyWhileCommitted)
{
    auto allocator = AllocatorWith(1, 64);
    com::ComPtr<IMediaSample> sample;
    EXPECT_EQ(allocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(allocator->Commit(), S_OK);
    sample = Take(allocator.Get());
    EXPECT_EQ(sample->GetSize(), 64);
    com::ComPtr<IMediaSample> second;
    EXPECT_EQ(allocator->GetBuffer(second.Receive(), nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
    EXPECT_FALSE(second);

    ALLOCATOR_PROPERTIES request{2, 64, 1, 0}, actual{};
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_ALREADY_COMMITTED);
    allocator->Decommit();
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BUFFERS_OUTSTANDING);
    sample.Reset();
    EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
}

TEST(MemAllocator, DecommitWakesAThreadWaitingForABuffer)
{
    auto allocator = WatchedAllocatorWith(1, 64);
    ASSERT_EQ(allocator->Commit(), S_OK);
    com::ComPtr<IMediaSample> held = Take(allocator.Get());
    auto waiter = std::async(std::launch::async, [&] {
        com::ComPtr<IMediaSample> sample;
        return allocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0);
    });
    ASSERT_TRUE(WaitersArrive(allocator.Get(), 1)) << "a full allocator makes the caller wait";
    EXPECT_EQ(waiter.wait_for(0ms), std::future_status::timeout);
    allocator->Decommit();
    ASSERT_EQ(waiter.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiter.get(), VFW_E_NOT_COMMITTED);
}

TEST(MemAllocator, ReturnedBufferWakesAWaitingThread)
{
    auto allocator = WatchedAllocatorWith(1, 64);
    ASSERT_EQ(allocator->Commit(), S_OK);
    com::ComPtr<IMediaSample> held = Take(allocator.Get());
    auto waiter = std::async(std::launch::async, [&] { return Take(allocator.Get()) ? S_OK : E_FAIL; });
    ASSERT_TRUE(WaitersArrive(allocator.Get(), 1));
    held.Reset();
    ASSERT_EQ(waiter.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiter.get(), S_OK);
    allocator->Decommit();
}

TEST(MemAllocator, CommittedAllocatorOutlivesItsOwnersUntilDecommitted)
{
    auto allocator = AllocatorWith(2, 32);
    ASSERT_EQ(allocator->Commit(), S_OK);
    com::ComPtr<IMediaSample> out = Take(allocator.Get());
    IMemAllocator* raw = allocator.Detach();
    raw->AddRef();
    EXPECT_GE(raw->Release(), 2u) << "the commit holds a reference";
    raw->Decommit();
    raw->Release();
    // The outstanding sample still belongs to a live allocator; returning
    // it finishes the decommit and frees everything.
    out.Reset();
}

TEST(MediaSample, TimesReportWhatWasSet)
{
    auto allocator = AllocatorWith(1, 16);
    allocator->Commit();
    auto sample = Take(allocator.Get());
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    REFERENCE_TIME from = 100, to = 200;
    sample->SetTime(&from, nullptr);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(start, 100);
    EXPECT_EQ(stop, 101);
    sample->SetTime(&from, &to);
    EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop, 200);
    EXPECT_EQ(sample->GetMediaTime(&start, &stop), VFW_E_MEDIA_TIME_NOT_SET);
    EXPECT_EQ(sample->SetActualDataLength(17), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample->SetActualDataLength(16), S_OK);
    sample.Reset();
    allocator->Decommit();
}

TEST(MediaSample, PropertiesRoundTripAndPartialRecordsTouchOnlyTheirFields)
{
    auto allocator = AllocatorWith(1, 16);
    allocator->Commit();
    auto sample = Take(allocator.Get());
    auto sample2 = com::ComPtr<IMediaSample2>();
    ASSERT_EQ(sample2.QueryFrom(sample.Get(), IID_IMediaSample2), S_OK);

    CMediaType type(&MEDIATYPE_Audio);
    AM_SAMPLE2_PROPERTIES props{};
    ASSERT_EQ(sample2->GetProperties(sizeof props, reinterpret_cast<BYTE*>(&props)), S_OK);
    props.dwSampleFlags = AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID | AM_SAMPLE_TYPECHANGED;
    props.tStart = 10;
    props.tStop = 20;
    props.lActual = 8;
    props.dwStreamId = 0x80000000;
    props.pMediaType = &type;
    ASSERT_EQ(sample2->SetProperties(sizeof props, reinterpret_cast<BYTE*>(&props)), S_OK);

    EXPECT_EQ(sample->IsSyncPoint(), S_OK);
    EXPECT_EQ(sample->GetActualDataLength(), 8);
    AM_MEDIA_TYPE* carried = nullptr;
    ASSERT_EQ(sample->GetMediaType(&carried), S_OK);
    EXPECT_EQ(carried->majortype, MEDIATYPE_Audio);
    DeleteMediaType(carried);

    // A record that ends before the stream id leaves the id and the type.
    AM_SAMPLE2_PROPERTIES partial{};
    partial.cbData = offsetof(AM_SAMPLE2_PROPERTIES, dwStreamId);
    partial.dwSampleFlags = AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
    partial.lActual = 4;
    partial.tStart = 30;
    partial.tStop = 40;
    ASSERT_EQ(sample2->SetProperties(partial.cbData, reinterpret_cast<BYTE*>(&partial)), S_OK);
    AM_SAMPLE2_PROPERTIES after{};
    sample2->GetProperties(sizeof after, reinterpret_cast<BYTE*>(&after));
    EXPECT_EQ(after.dwStreamId, 0x80000000u);
    EXPECT_NE(after.pMediaType, nullptr);
    EXPECT_EQ(after.tStart, 30);
    EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);

    sample2.Reset();
    sample.Reset();
    // A sample comes back from its allocator clean.
    auto again = Take(allocator.Get());
    AM_SAMPLE2_PROPERTIES fresh{};
    com::ComPtr<IMediaSample2> again2;
    again2.QueryFrom(again.Get(), IID_IMediaSample2);
    again2->GetProperties(sizeof fresh, reinterpret_cast<BYTE*>(&fresh));
    EXPECT_EQ(fresh.dwStreamId, AM_STREAM_MEDIA);
    EXPECT_EQ(fresh.dwSampleFlags, 0u);
    EXPECT_EQ(fresh.pMediaType, nullptr);
    again2.Reset();
    again.Reset();
    allocator->Decommit();
}

} // namespace
