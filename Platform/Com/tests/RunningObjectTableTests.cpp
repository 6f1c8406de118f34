#include <atomic>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Com/Com.h"

namespace {

struct TrackedObject final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    std::atomic<LONG> refs{1};
};

com::ComPtr<IMoniker> ItemMoniker(const char16_t* item)
{
    com::ComPtr<IMoniker> moniker;
    EXPECT_EQ(CreateItemMoniker(u"!", item, moniker.Receive()), S_OK);
    return moniker;
}

com::ComPtr<IRunningObjectTable> Table()
{
    com::ComPtr<IRunningObjectTable> table;
    EXPECT_EQ(GetRunningObjectTable(0, table.Receive()), S_OK);
    return table;
}

TEST(ItemMoniker, DisplayNameIsDelimiterAndItem)
{
    auto moniker = ItemMoniker(u"FilterGraph 0x1234 pid 00000042");
    LPOLESTR name = nullptr;
    ASSERT_EQ(moniker->GetDisplayName(nullptr, nullptr, &name), S_OK);
    EXPECT_EQ(std::u16string(name), u"!FilterGraph 0x1234 pid 00000042");
    CoTaskMemFree(name);
    DWORD kind = 0;
    moniker->IsSystemMoniker(&kind);
    EXPECT_EQ(kind, MKSYS_ITEMMONIKER);
}

TEST(ItemMoniker, EqualityAndHashIgnoreCase)
{
    auto a = ItemMoniker(u"Graph One");
    auto b = ItemMoniker(u"GRAPH one");
    auto c = ItemMoniker(u"Graph Two");
    EXPECT_EQ(a->IsEqual(b.Get()), S_OK);
    EXPECT_EQ(a->IsEqual(c.Get()), S_FALSE);
    DWORD ha = 0, hb = 1;
    a->Hash(&ha);
    b->Hash(&hb);
    EXPECT_EQ(ha, hb);
}

TEST(RunningObjectTable, RegisteredObjectIsFoundUntilRevoked)
{
    TrackedObject graph;
    auto table = Table();
    DWORD cookie = 0;
    ASSERT_EQ(table->Register(0, &graph, ItemMoniker(u"Graph A").Get(), &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(graph.refs, 2) << "the table holds the object";

    auto sameName = ItemMoniker(u"graph a");
    EXPECT_EQ(table->IsRunning(sameName.Get()), S_OK);
    IUnknown* found = nullptr;
    ASSERT_EQ(table->GetObject(sameName.Get(), &found), S_OK);
    EXPECT_EQ(found, &graph);
    found->Release();

    EXPECT_EQ(table->Revoke(cookie), S_OK);
    EXPECT_EQ(graph.refs, 1);
    EXPECT_EQ(table->IsRunning(sameName.Get()), S_FALSE);
    EXPECT_EQ(table->GetObject(sameName.Get(), &found), MK_E_UNAVAILABLE);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(table->Revoke(cookie), E_INVALIDARG) << "a cookie is revoked once";
}

TEST(RunningObjectTable, SecondRegistrationOfANameIsReported)
{
    TrackedObject first, second;
    auto table = Table();
    DWORD a = 0, b = 0;
    ASSERT_EQ(table->Register(0, &first, ItemMoniker(u"Twice").Get(), &a), S_OK);
    EXPECT_EQ(table->Register(0, &second, ItemMoniker(u"Twice").Get(), &b), MK_S_MONIKERALREADYREGISTERED);
    EXPECT_NE(a, b);

    com::ComPtr<IEnumMoniker> running;
    ASSERT_EQ(table->EnumRunning(running.Receive()), S_OK);
    int count = 0;
    IMoniker* m = nullptr;
    while (running->Next(1, &m, nullptr) == S_OK) {
        if (m->IsEqual(ItemMoniker(u"Twice").Get()) == S_OK)
            ++count;
        m->Release();
    }
    EXPECT_EQ(count, 2);
    table->Revoke(a);
    table->Revoke(b);
    EXPECT_EQ(table->Register(0, nullptr, ItemMoniker(u"x").Get(), &a), E_INVALIDARG);
}

} // namespace
