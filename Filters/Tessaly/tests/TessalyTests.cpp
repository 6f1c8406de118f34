#include <cstring>
#include <thread>

#include "Filters/Common/PluginClasses.h"
#include "Filters/Common/PluginInterfaces.h"
#include "Filters/Common/testing/PluginTesting.h"
#include "Filters/Tessaly/DupAllocator.h"

namespace {

using namespace plugin_test;

// ---- the discard sink, in a graph behind a push source

class SewerGraph : public WithModules {
protected:
    SewerGraph() : WithModules({ModulePath("Tessaly")}) {}
    void SetUp() override
    {
        WithModules::SetUp();
        m_graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        m_source = new PushSource(OpaqueType(), 16);
        m_sourceFilter = Query<IBaseFilter>(static_cast<IBaseFilter*>(m_source), IID_IBaseFilter);
        m_sewer = Create<IBaseFilter>(CLSID_Sewer, IID_IBaseFilter);
        ASSERT_EQ(m_graph->AddFilter(m_sourceFilter.Get(), u"Source"), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_sewer.Get(), u"Sewer"), S_OK);
        ASSERT_EQ(Connect(m_graph.Get(), m_source->Pin(), PinOf(m_sewer.Get(), 0).Get()), S_OK);
        m_times = Query<IKLSewer>(m_sewer.Get(), IID_IKLSewer);
        ASSERT_TRUE(m_times);
    }
    void TearDown() override
    {
        Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Stop();
        m_times.Reset();
        m_sewer.Reset();
        m_sourceFilter.Reset();
        m_graph.Reset();
        WithModules::TearDown();
    }
    void SetLimit(REFERENCE_TIME limit)
    {
        m_times->Set(static_cast<int>(limit & 0xFFFFFFFF), static_cast<int>(limit >> 32));
    }
    void Push(REFERENCE_TIME start, bool key, bool stamped = true)
    {
        Frame frame;
        frame.start = start;
        frame.stop = start + 400000;
        frame.sync = key;
        frame.stamped = stamped;
        frame.data.assign(16, 1);
        ASSERT_EQ(m_source->Push(frame), S_OK);
    }
    void Pause() { ASSERT_EQ(Query<IMediaControl>(m_graph.Get(), IID_IMediaControl)->Pause(), S_OK); }

    com::ComPtr<IGraphBuilder> m_graph;
    PushSource* m_source = nullptr;
    com::ComPtr<IBaseFilter> m_sourceFilter;
    com::ComPtr<IBaseFilter> m_sewer;
    com::ComPtr<IKLSewer> m_times;
};

TEST_F(SewerGraph, RecordsTheLastStartsAtOrBeforeTheLimit)
{
    SetLimit(10 * kSecond);
    Pause();
    Push(99600000, true);
    Push(100000000, false);
    Push(100400000, true);
    Push(0, true, false);
    REFERENCE_TIME key = 0, last = 0;
    ASSERT_EQ(m_times->GetTimes(&key, &last), S_OK);
    EXPECT_EQ(key, 99600000);
    EXPECT_EQ(last, 100000000);
}

TEST_F(SewerGraph, ReportsPositionsInTheSource)
{
    SetLimit(3 * kSecond);
    Pause();
    m_source->NewSegment(5 * kSecond);
    Push(2 * kSecond, true);
    REFERENCE_TIME key = 0, last = 0;
    ASSERT_EQ(m_times->GetTimes(&key, &last), S_OK);
    EXPECT_EQ(key, 7 * kSecond);
    EXPECT_EQ(last, 7 * kSecond);
}

TEST_F(SewerGraph, FailsWhileNoKeyFrameQualified)
{
    REFERENCE_TIME key = -1, last = -1;
    EXPECT_EQ(m_times->GetTimes(&key, &last), E_FAIL);
    SetLimit(1 * kSecond);
    Pause();
    Push(2 * kSecond, true);
    EXPECT_EQ(m_times->GetTimes(&key, &last), E_FAIL) << "the pre-roll must not take 0 as its start";
    EXPECT_EQ(key, -1);
}

// ---- the duplicating allocator, in this process

class DupAllocatorTest : public testing::Test {
protected:
    void SetUp() override
    {
        HRESULT hr = S_OK;
        m_object = new CDupAllocator(nullptr, &hr);
        ASSERT_EQ(hr, S_OK);
        m_object->NonDelegatingAddRef();
        m_allocator = Query<IMemAllocator>(m_object->GetInnerUnknown(), IID_IMemAllocator);
        m_dup = Query<IKLDupAllocator>(m_object->GetInnerUnknown(), IID_IKLDupAllocator);
        m_object->NonDelegatingRelease();
        ASSERT_EQ(CreateMemoryAllocator(m_sourceAllocator.Receive()), S_OK);
        ALLOCATOR_PROPERTIES want{2, 64, 1, 0}, got{};
        ASSERT_EQ(m_sourceAllocator->SetProperties(&want, &got), S_OK);
        ASSERT_EQ(m_sourceAllocator->Commit(), S_OK);
    }
    void TearDown() override
    {
        // A committed allocator keeps itself alive until it is decommitted.
        if (m_allocator)
            m_allocator->Decommit();
        m_dup.Reset();
        m_allocator.Reset();
        m_sourceAllocator->Decommit();
    }
    void Commit(LONG buffers)
    {
        ALLOCATOR_PROPERTIES want{buffers, 64, 1, 0}, got{};
        ASSERT_EQ(m_allocator->SetProperties(&want, &got), S_OK);
        ASSERT_EQ(m_allocator->Commit(), S_OK);
    }
    com::ComPtr<IMediaSample> Source(BYTE value)
    {
        com::ComPtr<IMediaSample> sample;
        EXPECT_EQ(m_sourceAllocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0), S_OK);
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        std::memset(data, value, 64);
        sample->SetActualDataLength(40);
        REFERENCE_TIME start = 5, stop = 9;
        sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
        return sample;
    }

    CDupAllocator* m_object = nullptr;
    com::ComPtr<IMemAllocator> m_allocator;
    com::ComPtr<IKLDupAllocator> m_dup;
    com::ComPtr<IMemAllocator> m_sourceAllocator;
};

TEST_F(DupAllocatorTest, ReportsAlignmentOneAndNoPrefix)
{
    ALLOCATOR_PROPERTIES want{4, 100, 16, 8}, got{};
    ASSERT_EQ(m_allocator->SetProperties(&want, &got), S_OK);
    EXPECT_EQ(got.cBuffers, 4);
    EXPECT_EQ(got.cbBuffer, 100);
    EXPECT_EQ(got.cbAlign, 1);
    EXPECT_EQ(got.cbPrefix, 0);
    want.cbAlign = 0;
    EXPECT_EQ(m_allocator->SetProperties(&want, &got), VFW_E_BADALIGN);
}

TEST_F(DupAllocatorTest, HasAtLeast128Headers)
{
    Commit(4);
    EXPECT_EQ(m_object->HeaderCount(), 128);
    m_allocator->Decommit();
    Commit(200);
    EXPECT_EQ(m_object->HeaderCount(), 200);
}

TEST_F(DupAllocatorTest, HeadersShareTheSourceBufferAndCopiesDoNot)
{
    Commit(2);
    auto source = Source(7);
    com::ComPtr<IMediaSample> header, copy;
    ASSERT_EQ(m_dup->GetDuplicateWait(header.Receive(), source.Get(), 0), S_OK);
    ASSERT_EQ(m_dup->GetDuplicate(copy.Receive(), source.Get(), 0), S_OK);
    BYTE *from = nullptr, *viaHeader = nullptr, *viaCopy = nullptr;
    source->GetPointer(&from);
    header->GetPointer(&viaHeader);
    copy->GetPointer(&viaCopy);
    EXPECT_EQ(viaHeader, from);
    EXPECT_NE(viaCopy, from);
    for (IMediaSample* sample : {header.Get(), copy.Get()}) {
        EXPECT_EQ(sample->GetActualDataLength(), 40);
        REFERENCE_TIME start = 0, stop = 0;
        EXPECT_EQ(sample->GetTime(&start, &stop), S_OK);
        EXPECT_EQ(start, 5);
        EXPECT_EQ(stop, 9);
        EXPECT_EQ(sample->IsSyncPoint(), S_OK);
    }
    EXPECT_EQ(viaCopy[39], 7);
    IMediaSample* out = reinterpret_cast<IMediaSample*>(1);
    EXPECT_EQ(m_dup->GetDuplicateWait(&out, nullptr, 0), E_POINTER);
    EXPECT_EQ(out, nullptr);
}

TEST_F(DupAllocatorTest, NoWaitWithEveryHeaderOutTimesOut)
{
    Commit(1);
    auto source = Source(1);
    std::vector<com::ComPtr<IMediaSample>> out(128);
    for (auto& header : out)
        ASSERT_EQ(m_dup->GetDuplicateWait(header.Receive(), source.Get(), AM_GBF_NOWAIT), S_OK);
    IMediaSample* more = reinterpret_cast<IMediaSample*>(1);
    EXPECT_EQ(m_dup->GetDuplicateWait(&more, source.Get(), AM_GBF_NOWAIT), VFW_E_TIMEOUT);
    EXPECT_EQ(more, nullptr);
}

TEST_F(DupAllocatorTest, DecommitFinishesWhenTheLastHeaderReturns)
{
    Commit(2);
    auto source = Source(1);
    com::ComPtr<IMediaSample> header;
    ASSERT_EQ(m_dup->GetDuplicateWait(header.Receive(), source.Get(), 0), S_OK);
    ASSERT_EQ(m_allocator->Decommit(), S_OK);
    m_dup.Reset();
    m_allocator.Reset();
    // The header keeps the allocator alive until it comes back.
    header.Reset();
    SUCCEED();
}

TEST_F(DupAllocatorTest, RecommitWithTheSamePropertiesReusesThePool)
{
    Commit(3);
    m_allocator->Decommit();
    ASSERT_EQ(m_allocator->Commit(), S_OK);
    EXPECT_EQ(m_object->PoolAllocations(), 1);
}

TEST_F(DupAllocatorTest, DecommitWakesAThreadWaitingForAHeader)
{
    Commit(1);
    auto source = Source(1);
    std::vector<com::ComPtr<IMediaSample>> out(128);
    for (auto& header : out)
        ASSERT_EQ(m_dup->GetDuplicateWait(header.Receive(), source.Get(), 0), S_OK);
    HRESULT waited = S_OK;
    std::thread waiter([&] {
        IMediaSample* more = nullptr;
        waited = m_dup->GetDuplicateWait(&more, source.Get(), 0);
    });
    // Whether the waiter is already waiting or not, it ends uncommitted.
    m_allocator->Decommit();
    waiter.join();
    EXPECT_EQ(waited, VFW_E_NOT_COMMITTED);
}

} // namespace

namespace {

TEST_F(DupAllocatorTest, ACopyIntoASmallerBufferFails)
{
    ALLOCATOR_PROPERTIES want{1, 16, 1, 0}, got{};
    ASSERT_EQ(m_allocator->SetProperties(&want, &got), S_OK);
    ASSERT_EQ(m_allocator->Commit(), S_OK);
    auto source = Source(3);
    IMediaSample* copy = reinterpret_cast<IMediaSample*>(1);
    EXPECT_EQ(m_dup->GetDuplicate(&copy, source.Get(), 0), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(copy, nullptr);
}

} // namespace
