#include <new>

#include <gtest/gtest.h>

#include "Platform/Com/Com.h"

namespace {

DEFINE_GUID(IID_IShape, 0x7E3A9C01, 0x51D2, 0x4B6F, 0x8A, 0x0C, 0x3D, 0x14, 0x25, 0x36, 0x47, 0x58);
DEFINE_GUID(IID_ICircle, 0x7E3A9C02, 0x51D2, 0x4B6F, 0x8A, 0x0C, 0x3D, 0x14, 0x25, 0x36, 0x47, 0x58);
DEFINE_GUID(IID_ILabel, 0x7E3A9C03, 0x51D2, 0x4B6F, 0x8A, 0x0C, 0x3D, 0x14, 0x25, 0x36, 0x47, 0x58);
DEFINE_GUID(IID_INotOffered, 0x7E3A9C04, 0x51D2, 0x4B6F, 0x8A, 0x0C, 0x3D, 0x14, 0x25, 0x36, 0x47, 0x58);

struct IShape : IUnknown {
    virtual int STDMETHODCALLTYPE Corners() = 0;
};
struct ICircle : IShape {
    virtual int STDMETHODCALLTYPE Radius() = 0;
};
struct ILabel : IUnknown {
    virtual int STDMETHODCALLTYPE Length() = 0;
};

// A circle that answers ICircle (and IShape, its base) and ILabel, and
// clears `alive` when it goes.
class Circle final
    : public com::Object<com::Implements<ICircle, IID_ICircle, IID_IShape>, com::Implements<ILabel, IID_ILabel>> {
public:
    explicit Circle(bool& alive) : m_alive(alive) { m_alive = true; }
    ~Circle() override { m_alive = false; }

    int STDMETHODCALLTYPE Corners() override { return 0; }
    int STDMETHODCALLTYPE Radius() override { return 7; }
    int STDMETHODCALLTYPE Length() override { return 6; }

private:
    bool& m_alive;
};

class CannotAllocate final : public com::Object<com::Implements<ILabel, IID_ILabel>> {
public:
    CannotAllocate() { throw std::bad_alloc(); }
    int STDMETHODCALLTYPE Length() override { return 0; }
};

TEST(ComObject, AnswersItsInterfacesWithOneIdentity)
{
    bool alive = false;
    com::ComPtr<IUnknown> unknown;
    ASSERT_EQ(com::CreateObject<Circle>(IID_IUnknown, unknown.ReceiveVoid(), alive), S_OK);

    const struct {
        const IID* iid;
        HRESULT result;
        const char* what;
    } cases[] = {
        {&IID_IUnknown, S_OK, "identity"},
        {&IID_ICircle, S_OK, "listed interface"},
        {&IID_IShape, S_OK, "base of a listed interface"},
        {&IID_ILabel, S_OK, "second entry"},
        {&IID_INotOffered, E_NOINTERFACE, "not listed"},
    };
    for (const auto& c : cases) {
        com::ComPtr<IUnknown> answer;
        EXPECT_EQ(unknown->QueryInterface(*c.iid, answer.ReceiveVoid()), c.result) << c.what;
        if (!answer) {
            EXPECT_EQ(c.result, E_NOINTERFACE) << c.what;
            continue;
        }
        com::ComPtr<IUnknown> identity;
        ASSERT_EQ(answer->QueryInterface(IID_IUnknown, identity.ReceiveVoid()), S_OK) << c.what;
        EXPECT_EQ(identity.Get(), unknown.Get()) << c.what;
    }
    EXPECT_EQ(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    com::ComPtr<IShape> shape;
    ASSERT_EQ(unknown->QueryInterface(IID_IShape, shape.ReceiveVoid()), S_OK);
    EXPECT_EQ(static_cast<ICircle*>(shape.Get())->Radius(), 7) << "IShape is the circle's own base";
    com::ComPtr<ILabel> label;
    ASSERT_EQ(unknown->QueryInterface(IID_ILabel, label.ReceiveVoid()), S_OK);
    EXPECT_EQ(label->Length(), 6);
}

TEST(ComObject, LastReleaseDeletesTheObject)
{
    bool alive = false;
    ICircle* circle = nullptr;
    ASSERT_EQ(com::CreateObject<Circle>(IID_ICircle, reinterpret_cast<void**>(&circle), alive), S_OK);
    EXPECT_TRUE(alive);
    EXPECT_EQ(circle->AddRef(), 2u) << "the creator's reference is the only one";
    EXPECT_EQ(circle->Release(), 1u);
    EXPECT_TRUE(alive);
    EXPECT_EQ(circle->Release(), 0u);
    EXPECT_FALSE(alive);
}

TEST(ComObject, CreationWithoutTheInterfaceLeavesNothingBehind)
{
    bool alive = false;
    void* object = &alive;
    EXPECT_EQ(com::CreateObject<Circle>(IID_INotOffered, &object, alive), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(alive);
}

TEST(ComObject, CreationReportsAnAllocationFailureAsOutOfMemory)
{
    void* object = &object;
    EXPECT_EQ(com::CreateObject<CannotAllocate>(IID_ILabel, &object), E_OUTOFMEMORY);
    EXPECT_EQ(object, nullptr);
}

} // namespace
