#include <string>

#include <gtest/gtest.h>

#include "Platform/DShow/DShow.h"

namespace {

com::ComPtr<IStream> EmptyStream()
{
    com::ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()), S_OK);
    return stream;
}

void Rewind(IStream* stream)
{
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
}

std::u16string Contents(IStream* stream)
{
    Rewind(stream);
    char16_t text[64] = {};
    ULONG read = 0;
    stream->Read(text, sizeof text, &read);
    return std::u16string(text, read / sizeof(char16_t));
}

TEST(PersistStream, IntegersAreTwelveWideCharacters)
{
    struct Case {
        int value;
        const char16_t* text;
    } cases[] = {{0, u"00000000000 "}, {220, u"00000000220 "}, {-5, u"-0000000005 "},
                 {2147483647, u"02147483647 "}, {-2147483647 - 1, u"-2147483648 "}};
    for (const Case& c : cases) {
        auto stream = EmptyStream();
        ASSERT_EQ(WriteInt(stream.Get(), c.value), S_OK);
        EXPECT_EQ(Contents(stream.Get()), c.text);
        Rewind(stream.Get());
        HRESULT hr = E_FAIL;
        EXPECT_EQ(ReadInt(stream.Get(), hr), c.value);
        EXPECT_EQ(hr, S_OK);
    }
}

TEST(PersistStream, ReadingRefusesTextThatIsNotANumber)
{
    struct Case {
        const char16_t* text;
        HRESULT expected;
    } cases[] = {{u"0000000x220 ", VFW_E_INVALID_FILE_FORMAT},
                 {u" 0000000220 ", VFW_E_INVALID_FILE_FORMAT},
                 {u"99999999999 ", VFW_E_INVALID_FILE_FORMAT},
                 {u"00000", VFW_E_FILE_TOO_SHORT},
                 {u"", VFW_E_FILE_TOO_SHORT}};
    for (const Case& c : cases) {
        auto stream = EmptyStream();
        std::u16string text = c.text;
        stream->Write(text.data(), static_cast<ULONG>(text.size() * sizeof(char16_t)), nullptr);
        Rewind(stream.Get());
        HRESULT hr = S_OK;
        EXPECT_EQ(ReadInt(stream.Get(), hr), 0);
        EXPECT_EQ(hr, c.expected) << std::string(text.begin(), text.end());
    }
}

// A filter state of two integers, as the plug-ins persist theirs.
class TwoNumbers : public CPersistStream {
public:
    TwoNumbers() : CPersistStream(nullptr, nullptr) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override
    {
        *clsid = GUID_NULL;
        return S_OK;
    }
    HRESULT WriteToStream(IStream* stream) override
    {
        HRESULT hr = WriteInt(stream, m_first);
        return SUCCEEDED(hr) ? WriteInt(stream, m_second) : hr;
    }
    HRESULT ReadFromStream(IStream* stream) override
    {
        HRESULT hr = S_OK;
        int first = ReadInt(stream, hr);
        if (FAILED(hr))
            return hr;
        int second = ReadInt(stream, hr);
        if (FAILED(hr))
            return hr;
        m_first = first;
        m_second = second;
        return S_OK;
    }
    int SizeMax() override { return 2 * PERSIST_INT_BYTES; }
    DWORD GetSoftwareVersion() override { return 3; }
    DWORD FileVersion() const { return mPS_dwFileVersion; }

    int m_first = 0;
    int m_second = 0;
};

TEST(PersistStream, StateRoundTripsBehindTheVersionHeader)
{
    TwoNumbers saved;
    saved.m_first = 2;
    saved.m_second = 220;
    saved.SetDirty(TRUE);
    auto stream = EmptyStream();
    ASSERT_EQ(saved.Save(stream.Get(), TRUE), S_OK);
    EXPECT_EQ(saved.IsDirty(), S_FALSE);
    EXPECT_EQ(Contents(stream.Get()), u"00000000003 00000000002 00000000220 ");

    ULARGE_INTEGER size{};
    saved.GetSizeMax(&size);
    EXPECT_EQ(size.QuadPart, 72u) << "the filter's 48 bytes and the 24-byte header";

    TwoNumbers loaded;
    Rewind(stream.Get());
    ASSERT_EQ(loaded.Load(stream.Get()), S_OK);
    EXPECT_EQ(loaded.FileVersion(), 3u);
    EXPECT_EQ(loaded.m_first, 2);
    EXPECT_EQ(loaded.m_second, 220);
}

TEST(PersistStream, TruncatedStateFailsAndKeepsTheOldValues)
{
    TwoNumbers loaded;
    loaded.m_second = 7;
    auto stream = EmptyStream();
    WriteInt(stream.Get(), 0);
    WriteInt(stream.Get(), 1);
    Rewind(stream.Get());
    EXPECT_EQ(loaded.Load(stream.Get()), VFW_E_FILE_TOO_SHORT);
    EXPECT_EQ(loaded.m_second, 7);
}

} // namespace
