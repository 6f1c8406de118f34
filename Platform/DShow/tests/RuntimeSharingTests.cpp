// The program and its plug-in modules share one platform runtime: a handle,
// a thread id or a built-in class means the same thing on both sides.

#include <gtest/gtest.h>

#include "Platform/DShow/tests/GraphTestSupport.h"

namespace {

using namespace dshow_test;

class RuntimeSharing : public WithPlugin {
protected:
    void SetUp() override
    {
        WithPlugin::SetUp();
        ASSERT_EQ(CoCreateInstance(CLSID_RuntimeProbe, nullptr, CLSCTX_INPROC_SERVER, IID_IRuntimeProbe,
                                   m_probe.ReceiveVoid()),
                  S_OK);
    }
    void TearDown() override
    {
        m_probe.Reset();
        WithPlugin::TearDown();
    }

    com::ComPtr<IRuntimeProbe> m_probe;
};

TEST_F(RuntimeSharing, AnEventMadeInTheModuleIsSignalledFromTheProgram)
{
    HANDLE event = nullptr;
    ASSERT_EQ(m_probe->MakeEvent(&event), S_OK);
    DWORD result = 0;
    ASSERT_EQ(m_probe->Wait(event, 0, &result), S_OK);
    EXPECT_EQ(result, WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(event));
    ASSERT_EQ(m_probe->Wait(event, 0, &result), S_OK);
    EXPECT_EQ(result, WAIT_OBJECT_0);
    CloseHandle(event);
}

TEST_F(RuntimeSharing, AnEventMadeInTheProgramIsSignalledFromTheModule)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    ASSERT_EQ(m_probe->Signal(event), S_OK);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);
}

TEST_F(RuntimeSharing, TheThreadHasOneIdOnBothSides)
{
    DWORD inModule = 0;
    ASSERT_EQ(m_probe->ThreadId(&inModule), S_OK);
    EXPECT_EQ(inModule, GetCurrentThreadId());
}

TEST_F(RuntimeSharing, TheModuleCreatesTheFilterGraphByItsClass)
{
    com::ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(m_probe->MakeFilterGraph(graph.Receive()), S_OK);
    com::ComPtr<IMediaControl> control;
    EXPECT_EQ(control.QueryFrom(graph.Get(), IID_IMediaControl), S_OK);
}

} // namespace
