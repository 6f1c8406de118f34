#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Mfc/Mfc.h"

class CObjectTestShape : public CObject {
    DECLARE_DYNAMIC(CObjectTestShape)
};
IMPLEMENT_DYNAMIC(CObjectTestShape, CObject)

class CObjectTestCircle : public CObjectTestShape {
    DECLARE_DYNCREATE(CObjectTestCircle)
};
IMPLEMENT_DYNCREATE(CObjectTestCircle, CObjectTestShape)

class CObjectTestDisc : public CObjectTestCircle {
    DECLARE_SERIAL(CObjectTestDisc)
};
IMPLEMENT_SERIAL(CObjectTestDisc, CObjectTestCircle, 2)

// Counts its deletions so tests can see who deleted an exception.
class CObjectTestException : public CException {
public:
    ~CObjectTestException() override { ++s_deleted; }
    static inline int s_deleted = 0;
};

namespace {

std::string g_debugText;
void CaptureDebugText(const char* text) { g_debugText += text; }

// Collects OutputDebugString text while it lives.
class DebugCapture {
public:
    DebugCapture()
    {
        g_debugText.clear();
        win::SetDebugSink(&CaptureDebugText);
    }
    ~DebugCapture() { win::SetDebugSink(nullptr); }
    const std::string& Text() const { return g_debugText; }
};

} // namespace

TEST(MfcObject, RuntimeClassesDescribeTheHierarchy)
{
    CObjectTestDisc disc;
    const CObject& asObject = disc;
    CRuntimeClass* cls = asObject.GetRuntimeClass();
    EXPECT_EQ(cls, RUNTIME_CLASS(CObjectTestDisc));
    EXPECT_STREQ(cls->m_lpszClassName, "CObjectTestDisc");
    EXPECT_EQ(cls->m_nObjectSize, static_cast<int>(sizeof(CObjectTestDisc)));
    EXPECT_EQ(cls->m_wSchema, 2u);
    EXPECT_EQ(cls->m_pBaseClass, RUNTIME_CLASS(CObjectTestCircle));
    EXPECT_TRUE(disc.IsKindOf(RUNTIME_CLASS(CObjectTestShape)));
    EXPECT_TRUE(disc.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(disc.IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_TRUE(RUNTIME_CLASS(CObjectTestCircle)->IsDerivedFrom(RUNTIME_CLASS(CObjectTestShape)));
    EXPECT_FALSE(RUNTIME_CLASS(CObjectTestShape)->IsDerivedFrom(RUNTIME_CLASS(CObjectTestCircle)));

    struct Case {
        const CRuntimeClass* cls;
        bool creatable;
        bool serializable;
    };
    for (const Case& c : {Case{RUNTIME_CLASS(CObjectTestShape), false, false},
                          Case{RUNTIME_CLASS(CObjectTestCircle), true, false},
                          Case{RUNTIME_CLASS(CObjectTestDisc), true, true}}) {
        CObject* created = c.cls->CreateObject();
        EXPECT_EQ(created != nullptr, c.creatable) << c.cls->m_lpszClassName;
        if (created) {
            EXPECT_EQ(created->GetRuntimeClass(), c.cls);
            EXPECT_EQ(created->IsSerializable() != FALSE, c.serializable);
        }
        delete created;
    }
}

TEST(MfcObject, FromNameFindsImplementedClassesByExactName)
{
    EXPECT_EQ(CRuntimeClass::FromName("CObjectTestDisc"), RUNTIME_CLASS(CObjectTestDisc));
    EXPECT_EQ(CRuntimeClass::FromName("CObjectTestCircle"), RUNTIME_CLASS(CObjectTestCircle));
    EXPECT_EQ(CRuntimeClass::FromName("CObjectTestShape"), RUNTIME_CLASS(CObjectTestShape));
    EXPECT_EQ(CRuntimeClass::FromName("CStringArray"), RUNTIME_CLASS(CStringArray));
    EXPECT_EQ(CRuntimeClass::FromName("CObject"), RUNTIME_CLASS(CObject));
    EXPECT_EQ(CRuntimeClass::FromName("cobjecttestdisc"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
}

TEST(MfcObject, DowncastsCheckTheRuntimeClass)
{
    CObjectTestCircle circle;
    CObject* object = &circle;
    EXPECT_EQ(DYNAMIC_DOWNCAST(CObjectTestShape, object), &circle);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CObjectTestDisc, object), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CObjectTestDisc, static_cast<CObject*>(nullptr)), nullptr);
    EXPECT_EQ(STATIC_DOWNCAST(CObjectTestCircle, object), &circle);
}

TEST(MfcObject, ExceptionsAreHeapPointersReleasedWithDelete)
{
    CObjectTestException::s_deleted = 0;
    try {
        throw new CObjectTestException;
    } catch (CException* e) {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CException)));
        e->Delete();
    }
    EXPECT_EQ(CObjectTestException::s_deleted, 1);

    int caught = 0;
    for (int i = 0; i < 2; ++i) {
        try {
            AfxThrowMemoryException();
        } catch (CMemoryException* e) {
            EXPECT_FALSE(e->m_bAutoDelete);
            e->Delete(); // a static exception: Delete leaves it alone
            ++caught;
        }
    }
    EXPECT_EQ(caught, 2);

    bool notSupported = false;
    try {
        AfxThrowNotSupportedException();
    } catch (CNotSupportedException* e) {
        notSupported = true;
        e->Delete();
    }
    EXPECT_TRUE(notSupported);

    int archiveCause = -1;
    try {
        AfxThrowArchiveException(CArchiveException::badSchema, "doc.sbd");
    } catch (CArchiveException* e) {
        archiveCause = e->m_cause;
        e->Delete();
    }
    EXPECT_EQ(archiveCause, CArchiveException::badSchema);
}

TEST(MfcObject, CatchMacrosDeleteUnlessRethrown)
{
    CObjectTestException::s_deleted = 0;
    bool handled = false;
    TRY
    {
        THROW(new CObjectTestException);
    }
    CATCH(CFileException, e)
    {
        ADD_FAILURE() << "wrong handler";
    }
    AND_CATCH(CException, e)
    {
        handled = e->IsKindOf(RUNTIME_CLASS(CException));
    }
    END_CATCH
    EXPECT_TRUE(handled);
    EXPECT_EQ(CObjectTestException::s_deleted, 1);

    CException* passedOn = nullptr;
    try {
        TRY
        {
            THROW(new CObjectTestException);
        }
        CATCH_ALL(e)
        {
            THROW_LAST();
        }
        END_CATCH_ALL
    } catch (CException* e) {
        passedOn = e;
    }
    ASSERT_NE(passedOn, nullptr);
    EXPECT_EQ(CObjectTestException::s_deleted, 1); // still alive after THROW_LAST
    passedOn->Delete();
    EXPECT_EQ(CObjectTestException::s_deleted, 2);
}

TEST(MfcObject, ErrorMessagesAreSentences)
{
    char text[128];
    struct Case {
        CException* e;
        BOOL hasMessage;
        const char* expected;
    };
    CException plain;
    CMemoryException memory;
    CNotSupportedException notSupported;
    CArchiveException badSchema(CArchiveException::badSchema, "/docs/a.sbd");
    CArchiveException endOfFile(CArchiveException::endOfFile);
    for (const Case& c :
         {Case{&plain, FALSE, ""}, Case{&memory, TRUE, "Out of memory."},
          Case{&notSupported, TRUE, "An unsupported operation was attempted."},
          Case{&badSchema, TRUE, "'/docs/a.sbd' contains an incompatible version of an object."},
          Case{&endOfFile, TRUE, "The archive ended unexpectedly."}}) {
        std::strcpy(text, "junk");
        EXPECT_EQ(c.e->GetErrorMessage(text, sizeof text), c.hasMessage);
        EXPECT_STREQ(text, c.expected);
    }
}

TEST(MfcObject, TraceFormatsToTheDebugOutput)
{
    DebugCapture capture;
    AfxTrace("%d items in %s\n", 3, "bin");
    TRACE("traced %d\n", 7);
#ifdef NDEBUG
    EXPECT_EQ(capture.Text(), "3 items in bin\n"); // TRACE is compiled out
#else
    EXPECT_EQ(capture.Text(), "3 items in bin\ntraced 7\n");
#endif
}

TEST(MfcObject, DumpNamesTheClass)
{
    DebugCapture capture;
    CObjectTestDisc disc;
    afxDump << "value " << LONG{-5} << " " << &disc;
    EXPECT_EQ(capture.Text().rfind("value -5 a CObjectTestDisc at ", 0), 0u) << capture.Text();
}

#ifdef NDEBUG
TEST(MfcObject, AssertIsCompiledOutAndVerifyStillEvaluates)
{
    int evaluated = 0;
    ASSERT(++evaluated == 100);
    VERIFY(++evaluated == 1);
    EXPECT_EQ(evaluated, 1);

    DebugCapture capture;
    EXPECT_FALSE(AFX_CHECK(evaluated == 2));
    EXPECT_NE(capture.Text().find("evaluated == 2"), std::string::npos);
}
#else
TEST(MfcObjectDeathTest, AssertLogsTheExpressionAndAborts)
{
    int value = 1;
    EXPECT_DEATH(ASSERT(value == 2), "Assertion failed: value == 2");
    EXPECT_DEATH(ASSERT_VALID(static_cast<CObject*>(nullptr)), "Assertion failed");
}
#endif
