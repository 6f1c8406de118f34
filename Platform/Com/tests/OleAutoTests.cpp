#include <cstring>

#include <gtest/gtest.h>

#include "Platform/Com/Com.h"

namespace {

TEST(Bstr, KeepsLengthInBytesBeforeTheText)
{
    BSTR text = SysAllocString(u"Friendly");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 8u);
    EXPECT_EQ(SysStringByteLen(text), 16u);
    DWORD prefix;
    std::memcpy(&prefix, reinterpret_cast<BYTE*>(text) - sizeof prefix, sizeof prefix);
    EXPECT_EQ(prefix, 16u);
    EXPECT_EQ(text[8], 0);
    SysFreeString(text);
}

TEST(Bstr, LengthCountsEmbeddedZeros)
{
    BSTR text = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(SysStringLen(text), 3u);
    EXPECT_EQ(text[2], u'b');
    SysFreeString(text);

    BSTR blank = SysAllocStringLen(nullptr, 4);
    EXPECT_EQ(SysStringLen(blank), 4u);
    EXPECT_EQ(blank[0], 0);
    SysFreeString(blank);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

struct CountingUnknown final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    LONG refs = 1;
};

TEST(Variant, CopyOwnsItsOwnStringAndReference)
{
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocString(u"Capture");
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    EXPECT_EQ(std::u16string(copy.bstrVal), u"Capture");
    EXPECT_EQ(VariantClear(&source), S_OK);
    EXPECT_EQ(source.vt, VT_EMPTY);

    CountingUnknown object;
    source.vt = VT_UNKNOWN;
    source.punkVal = &object;
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK) << "copying over a BSTR frees it first";
    EXPECT_EQ(object.refs, 2);
    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(object.refs, 1);
}

TEST(Variant, RefusesTypesItCannotHold)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_I4;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
    EXPECT_EQ(v.vt, VT_ARRAY | VT_I4);
    VARIANT copy;
    VariantInit(&copy);
    EXPECT_EQ(VariantCopy(&copy, &v), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(GuidText, RoundTripsThroughWideText)
{
    const GUID guid = {0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    OLECHAR text[39];
    ASSERT_EQ(StringFromGUID2(guid, text, 39), 39);
    EXPECT_EQ(std::u16string(text), u"{73646976-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(StringFromGUID2(guid, text, 38), 0);

    CLSID back{};
    EXPECT_EQ(CLSIDFromString(u"{73646976-0000-0010-8000-00aa00389b71}", &back), S_OK);
    EXPECT_EQ(back, guid);

    LPOLESTR allocated = nullptr;
    ASSERT_EQ(StringFromCLSID(guid, &allocated), S_OK);
    EXPECT_EQ(std::u16string(allocated), std::u16string(text));
    CoTaskMemFree(allocated);
}

TEST(GuidText, RejectsAnythingButBracedGuids)
{
    CLSID clsid{};
    IID iid{};
    for (const char16_t* bad : {u"", u"73646976-0000-0010-8000-00AA00389B71", u"{73646976-0000-0010-8000-00AA00389B7}",
                                u"{7364697G-0000-0010-8000-00AA00389B71}", u"ActiveMovie.FilterGraph"}) {
        EXPECT_EQ(CLSIDFromString(bad, &clsid), CO_E_CLASSSTRING);
        EXPECT_EQ(IIDFromString(bad, &iid), E_INVALIDARG);
    }
    EXPECT_EQ(CLSIDFromString(nullptr, &clsid), CO_E_CLASSSTRING);
}

} // namespace
