#include <cstring>

#include <gtest/gtest.h>

#include "Platform/DShow/DShow.h"

namespace {

CMediaType VideoType(const GUID& subtype, LONG width)
{
    CMediaType type(&MEDIATYPE_Video);
    type.SetSubtype(&subtype);
    type.SetFormatType(&FORMAT_VideoInfo);
    auto* format = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    format->bmiHeader.biWidth = width;
    return type;
}

TEST(MediaType, CopiesOwnTheirFormatBlock)
{
    CMediaType original = VideoType(MEDIASUBTYPE_RGB24, 320);
    CMediaType copy(original);
    EXPECT_TRUE(copy == original);
    EXPECT_NE(copy.Format(), original.Format());
    reinterpret_cast<VIDEOINFOHEADER*>(copy.Format())->bmiHeader.biWidth = 640;
    EXPECT_TRUE(copy != original) << "formats are compared byte for byte";

    AM_MEDIA_TYPE* allocated = CreateMediaType(&original);
    ASSERT_NE(allocated, nullptr);
    EXPECT_NE(allocated->pbFormat, original.Format());
    EXPECT_EQ(std::memcmp(allocated->pbFormat, original.Format(), original.FormatLength()), 0);
    DeleteMediaType(allocated);
    DeleteMediaType(nullptr);
}

TEST(MediaType, PartialTypesMatchOnTheirGivenFields)
{
    CMediaType full = VideoType(MEDIASUBTYPE_RGB24, 320);
    CMediaType anyVideo(&MEDIATYPE_Video);
    CMediaType anything;
    anything.majortype = GUID_NULL;
    CMediaType otherSubtype(&MEDIATYPE_Video);
    otherSubtype.SetSubtype(&MEDIASUBTYPE_RGB565);
    CMediaType otherFormat = VideoType(MEDIASUBTYPE_RGB24, 160);

    struct Case {
        const CMediaType* partial;
        bool matches;
    } cases[] = {{&anything, true}, {&anyVideo, true}, {&otherSubtype, false}, {&otherFormat, false}, {&full, true}};
    for (const Case& c : cases)
        EXPECT_EQ(full.MatchesPartial(c.partial) != FALSE, c.matches);
    EXPECT_TRUE(anyVideo.IsPartiallySpecified()) << "no format type";
    EXPECT_FALSE(full.IsPartiallySpecified());
}

struct CountingUnknown final : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    LONG refs = 1;
};

TEST(MediaType, FreeingReleasesTheAttachedObject)
{
    CountingUnknown attached;
    CMediaType type = VideoType(MEDIASUBTYPE_RGB24, 8);
    type.pUnk = &attached;
    attached.AddRef();
    {
        CMediaType copy(type);
        EXPECT_EQ(attached.refs, 3);
    }
    FreeMediaType(type);
    EXPECT_EQ(attached.refs, 1);
    EXPECT_EQ(type.pbFormat, nullptr);
    EXPECT_EQ(type.cbFormat, 0u);
}

} // namespace
