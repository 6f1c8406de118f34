#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Com/Com.h"
#include "Platform/Com/tests/fixtures/ComServer.h"
#include "Platform/Win/Base/GuidText.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Registry/Registry.h"
#include "Platform/Win/User/User.h"

namespace {

const char* const kServerName = "kestrelon_com_test_server.so";

int RunRegsvr(const std::string& arguments)
{
    std::string command = std::string(KESTRELON_REGSVR) + " -s " + arguments + " 2>/dev/null";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Registers the test server for the duration of a test.
class RegisteredServer : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RunRegsvr(KESTRELON_COM_TEST_SERVER), 0); }
    void TearDown() override
    {
        CoFreeUnusedLibraries();
        RunRegsvr(std::string("-u ") + KESTRELON_COM_TEST_SERVER);
    }
};

com::ComPtr<ITestCounter> CreateCounter()
{
    com::ComPtr<ITestCounter> counter;
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_ITestCounter,
                               counter.ReceiveVoid()),
              S_OK);
    return counter;
}

TEST(Regsvr, RegistersAndUnregistersTheModulesClasses)
{
    ASSERT_EQ(RunRegsvr(KESTRELON_COM_TEST_SERVER), 0);
    char resolved[PATH_MAX];
    ASSERT_NE(realpath(KESTRELON_COM_TEST_SERVER, resolved), nullptr);
    EXPECT_EQ(com::InprocServerPath(CLSID_TestCounter), resolved);

    ASSERT_EQ(RunRegsvr(std::string("-u ") + KESTRELON_COM_TEST_SERVER), 0);
    EXPECT_EQ(com::InprocServerPath(CLSID_TestCounter), "");
}

TEST(Regsvr, ReportsModulesItCannotUse)
{
    EXPECT_EQ(RunRegsvr("/no/such/module.so"), 2);
    EXPECT_EQ(RunRegsvr(""), 1);
    EXPECT_EQ(RunRegsvr("-x " + std::string(KESTRELON_COM_TEST_SERVER)), 1);
}

TEST_F(RegisteredServer, CreatesObjectByClassIdentifierAndUnloadsTheModuleAfterwards)
{
    {
        com::ComPtr<ITestCounter> counter = CreateCounter();
        ASSERT_TRUE(counter);
        counter->Increment();
        counter->Increment();
        EXPECT_EQ(counter->Count(), 2);
        EXPECT_NE(GetModuleHandleA(kServerName), nullptr);

        CoFreeUnusedLibraries();
        EXPECT_NE(GetModuleHandleA(kServerName), nullptr) << "a live object keeps its module loaded";
    }
    CoFreeUnusedLibraries();
    EXPECT_EQ(GetModuleHandleA(kServerName), nullptr);
}

TEST_F(RegisteredServer, LockedClassObjectKeepsTheModuleLoaded)
{
    com::ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.ReceiveVoid()),
              S_OK);
    factory->LockServer(TRUE);
    factory.Reset();
    CoFreeUnusedLibraries();
    EXPECT_NE(GetModuleHandleA(kServerName), nullptr);

    ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.ReceiveVoid()),
              S_OK);
    factory->LockServer(FALSE);
    factory.Reset();
    CoFreeUnusedLibraries();
    EXPECT_EQ(GetModuleHandleA(kServerName), nullptr);
}

// An outer object that aggregates the counter and adds an interface of its
// own, recording the references it receives.
DEFINE_GUID(IID_IOuterOnly, 0x3D1B55E0, 0x0C11, 0x4E8F, 0xB6, 0x2E, 0x71, 0x48, 0x0A, 0x93, 0x5C, 0x20);

class Outer final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IOuterOnly) {
            *object = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_inner ? m_inner->QueryInterface(riid, object) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--m_refs); }

    std::atomic<LONG> m_refs{1};
    IUnknown* m_inner = nullptr;
};

TEST_F(RegisteredServer, AggregatedObjectAnswersThroughTheOuterUnknown)
{
    Outer outer;
    ASSERT_EQ(CoCreateInstance(CLSID_TestCounter, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&outer.m_inner)),
              S_OK);
    EXPECT_EQ(outer.m_refs, 1) << "the inner unknown's reference is its own";

    ITestCounter* counter = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_ITestCounter, reinterpret_cast<void**>(&counter)), S_OK);
    EXPECT_EQ(outer.m_refs, 2) << "an inner interface counts on the outer object";

    IUnknown* back = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_IOuterOnly, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, static_cast<IUnknown*>(&outer));
    IUnknown* identity = nullptr;
    ASSERT_EQ(counter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer)) << "identity is the outer object's";
    back->Release();
    identity->Release();
    counter->Release();
    EXPECT_EQ(outer.m_refs, 1);

    outer.m_inner->Release();
    outer.m_inner = nullptr;
}

TEST_F(RegisteredServer, AggregationMustAskForIUnknown)
{
    Outer outer;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, &outer, CLSCTX_INPROC_SERVER, IID_ITestCounter, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
}

// A CLSID whose InprocServer32 names `path`.
void RegisterServerPath(REFCLSID clsid, const std::string& path)
{
    std::string key = "CLSID\\" + win::GuidToString(clsid) + "\\InprocServer32";
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, path.c_str(), static_cast<DWORD>(path.size())),
              ERROR_SUCCESS);
}

DEFINE_GUID(CLSID_Unregistered, 0x3D1B55E1, 0x0C11, 0x4E8F, 0xB6, 0x2E, 0x71, 0x48, 0x0A, 0x93, 0x5C, 0x20);
DEFINE_GUID(CLSID_MissingModule, 0x3D1B55E2, 0x0C11, 0x4E8F, 0xB6, 0x2E, 0x71, 0x48, 0x0A, 0x93, 0x5C, 0x20);
DEFINE_GUID(CLSID_NotAServer, 0x3D1B55E3, 0x0C11, 0x4E8F, 0xB6, 0x2E, 0x71, 0x48, 0x0A, 0x93, 0x5C, 0x20);

TEST_F(RegisteredServer, CreationFailuresNameTheirCause)
{
    RegisterServerPath(CLSID_MissingModule, "/no/such/server.so");
    Dl_info libc{};
    ASSERT_TRUE(dladdr(reinterpret_cast<void*>(&std::abort), &libc));
    RegisterServerPath(CLSID_NotAServer, libc.dli_fname);

    struct Case {
        const char* what;
        const CLSID* clsid;
        DWORD context;
        HRESULT expected;
    } cases[] = {
        {"class not in the registry", &CLSID_Unregistered, CLSCTX_INPROC_SERVER, REGDB_E_CLASSNOTREG},
        {"module cannot be loaded", &CLSID_MissingModule, CLSCTX_INPROC_SERVER, CO_E_DLLNOTFOUND},
        {"module without DllGetClassObject", &CLSID_NotAServer, CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL},
        {"module does not offer the class", &CLSID_TestMissing, CLSCTX_INPROC_SERVER, CLASS_E_CLASSNOTAVAILABLE},
        {"no in-process context", &CLSID_TestCounter, CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG},
    };
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoCreateInstance(*c.clsid, nullptr, c.context, IID_IUnknown, &object), c.expected) << c.what;
        EXPECT_EQ(object, nullptr) << c.what;
    }
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);

    for (const CLSID* clsid : {&CLSID_MissingModule, &CLSID_NotAServer})
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + win::GuidToString(*clsid)).c_str());
}

HRESULT BuiltinGetter(REFCLSID, REFIID riid, LPVOID* object)
{
    static struct BuiltinFactory final : IClassFactory {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
        {
            *object = this;
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** object) override
        {
            *object = nullptr;
            return E_ABORT; // marks that this factory answered
        }
        HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
    } factory;
    return factory.QueryInterface(riid, object);
}

TEST_F(RegisteredServer, BuiltinClassesComeBeforeTheRegistry)
{
    com::RegisterBuiltinClass(CLSID_TestCounter, &BuiltinGetter);
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), E_ABORT);
    com::UnregisterBuiltinClass(CLSID_TestCounter);
    EXPECT_TRUE(CreateCounter());
}

TEST(ComInitialisation, CountsPerThreadAndRefusesAModelChange)
{
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK) << "balanced calls leave the thread uninitialised";
    CoUninitialize();
}

} // namespace
