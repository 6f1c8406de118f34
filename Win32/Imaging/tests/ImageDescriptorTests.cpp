#include <gtest/gtest.h>

#include <vector>

#include "Win32/Imaging/ImageDescriptor.h"

namespace {

CImageDescriptor DescriptorOfType(INT pixelType)
{
    CImageDescriptor d;
    d.m_nPixelType = pixelType;
    return d;
}

CImageDescriptorList ListOfTypes(const std::vector<INT>& types)
{
    CImageDescriptorList list;
    for (INT t : types)
        list.Append(DescriptorOfType(t));
    return list;
}

std::vector<INT> TypesOf(const CImageDescriptorList& list)
{
    std::vector<INT> types;
    for (INT i = 0; i < list.GetCount(); ++i)
        types.push_back(list.GetAt(i)->m_nPixelType);
    return types;
}

// Counts clones and deletions of attachments.
struct Tally {
    int clones = 0;
    int deleted = 0;
};

class CountingAttachment : public CImageDescriptorAttachment {
public:
    explicit CountingAttachment(Tally* tally) : m_pTally(tally) {}
    ~CountingAttachment() override { ++m_pTally->deleted; }
    CImageDescriptorAttachment* Clone() const override
    {
        ++m_pTally->clones;
        return new CountingAttachment(m_pTally);
    }

private:
    Tally* m_pTally;
};

TEST(ImageDescriptor, DefaultsUseOnePixelRectangles)
{
    CImageDescriptor d;
    EXPECT_EQ(d.m_rcBounds, CGfxRect(0, 0, 0, 0));
    EXPECT_EQ(d.m_rcClip, CGfxRect(0, 0, 0, 0));
    EXPECT_EQ(d.m_nOpacity, 255);
    EXPECT_EQ(d.m_nPixelType, 0);
    EXPECT_EQ(d.m_nPlaneCount, 0);
    EXPECT_EQ(d.m_nBitsPerSample, 0);
    EXPECT_EQ(d.m_nBlendMode, 0);
    EXPECT_EQ(d.m_bAlphaPlane, 0);
    EXPECT_EQ(d.m_bMaskPlane, 0);
    EXPECT_EQ(d.m_nValue9, 0);
    EXPECT_EQ(d.m_strName.GetData(), nullptr);
}

TEST(ImageDescriptor, CopiesOwnTheirName)
{
    CImageDescriptor original(CGfxString("layer"), 3, CGfxRect(0, 0, 9, 9), 1, 8, 128, 2, 1, 0, 4,
                              CGfxRect(1, 1, 5, 5));
    CImageDescriptor copy(original);
    CImageDescriptor assigned;
    assigned = original;
    original.m_strName.Assign("changed");
    for (const CImageDescriptor* d : {&copy, &assigned}) {
        EXPECT_STREQ(d->m_strName.GetString(), "layer");
        EXPECT_EQ(d->m_nPixelType, 3);
        EXPECT_EQ(d->m_rcBounds, CGfxRect(0, 0, 9, 9));
        EXPECT_EQ(d->m_nOpacity, 128);
        EXPECT_EQ(d->m_nValue9, 4);
        EXPECT_EQ(d->m_rcClip, CGfxRect(1, 1, 5, 5));
    }
    assigned = assigned;
    EXPECT_STREQ(assigned.m_strName.GetString(), "layer");
}

TEST(ImageDescriptor, RowBytesRoundUpToWords)
{
    struct Case {
        CGfxRect area;
        WORD bits;
        BYTE step;
        LONGLONG expected;
    };
    const Case cases[] = {
        {{0, 0, 4, 0}, 8, 3, 16},
        {{0, 0, 4, 0}, 1, 1, 4},
        {{0, 0, 31, 0}, 1, 1, 4},
        {{0, 0, 32, 0}, 1, 1, 8},
        {{10, 0, 19, 5}, 4, 1, 8},
        {{0, 0, -1, -1}, 8, 1, 0},
        {{5, 0, 0, 0}, 8, 1, 0},
        {{0, 0, 0x7FFFFFFE, 0}, 16, 255, (0x7FFFFFFFLL * 255 * 16 + 31) / 32 * 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CPixelLayout(c.area, c.bits, c.step, 255).RowBytes(), c.expected)
            << c.area.right << " " << c.bits << " " << int(c.step);
}

TEST(ImageDescriptor, PixelLayoutDefaults)
{
    CPixelLayout layout;
    EXPECT_EQ(layout.m_rcArea, CGfxRect(0, 0, -1, -1));
    EXPECT_EQ(layout.m_nBitsPerSample, 0);
    EXPECT_EQ(layout.m_nStep, 0);
    EXPECT_EQ(layout.GetFill(), 255);
}

TEST(ImageDescriptorList, InsertAtPlacesBeforeIndex)
{
    struct Case {
        INT index;
        std::vector<INT> expected;
    };
    const Case cases[] = {
        {0, {9, 1, 2, 3}}, {-1, {1, 2, 3, 9}}, {3, {1, 2, 3, 9}}, {1, {1, 9, 2, 3}}, {2, {1, 2, 9, 3}},
    };
    for (const Case& c : cases) {
        CImageDescriptorList list = ListOfTypes({1, 2, 3});
        CImageDescriptor* stored = list.InsertAt(DescriptorOfType(9), c.index);
        ASSERT_NE(stored, nullptr) << c.index;
        EXPECT_EQ(stored->m_nPixelType, 9);
        EXPECT_EQ(TypesOf(list), c.expected) << c.index;
    }
}

TEST(ImageDescriptorList, InsertAtOutsideTheListIsRefused)
{
    for (INT index : {4, -2}) {
        CImageDescriptorList list = ListOfTypes({1, 2, 3});
        EXPECT_EQ(list.InsertAt(DescriptorOfType(9), index), nullptr);
        EXPECT_EQ(TypesOf(list), (std::vector<INT>{1, 2, 3}));
    }
}

TEST(ImageDescriptorList, InsertAtIntoEmptyListMakesTheOnlyDescriptor)
{
    for (INT index : {-1, 0, 7}) {
        CImageDescriptorList list;
        ASSERT_NE(list.InsertAt(DescriptorOfType(9), index), nullptr);
        EXPECT_EQ(TypesOf(list), std::vector<INT>{9});
    }
}

TEST(ImageDescriptorList, GetAtLeavesTheCursorForRemoveAt)
{
    CImageDescriptorList list = ListOfTypes({1, 2, 3});
    EXPECT_EQ(list.GetAt(2)->m_nPixelType, 3);
    EXPECT_EQ(list.GetAt(3), nullptr);
    // The cursor is still on the first descriptor.
    EXPECT_TRUE(list.RemoveAt(-1));
    EXPECT_EQ(TypesOf(list), (std::vector<INT>{2, 3}));
    EXPECT_TRUE(list.RemoveAt(1));
    EXPECT_EQ(TypesOf(list), std::vector<INT>{2});
    EXPECT_FALSE(list.RemoveAt(1));
    EXPECT_TRUE(list.RemoveAt(0));
    EXPECT_FALSE(list.RemoveAt(-1));
}

TEST(ImageDescriptorList, AssignmentCopiesDescriptorsAndClonesTheAttachment)
{
    Tally tally;
    CImageDescriptorList source = ListOfTypes({1, 2});
    source.GetAt(0)->m_strName.Assign("base");
    source.SetAttachment(new CountingAttachment(&tally));

    CImageDescriptorList target = ListOfTypes({7, 7, 7});
    target.SetAttachment(new CountingAttachment(&tally));
    target = source;
    EXPECT_EQ(tally.clones, 1);
    EXPECT_EQ(tally.deleted, 1);
    EXPECT_NE(target.GetAttachment(), nullptr);
    EXPECT_NE(target.GetAttachment(), source.GetAttachment());
    EXPECT_EQ(TypesOf(target), (std::vector<INT>{1, 2}));
    EXPECT_NE(target.GetAt(0), source.GetAt(0));
    EXPECT_STREQ(target.GetAt(0)->m_strName.GetString(), "base");

    target = target;
    EXPECT_EQ(tally.clones, 1);
    EXPECT_EQ(TypesOf(target), (std::vector<INT>{1, 2}));
}

TEST(ImageDescriptorList, AssigningEmptyListEmptiesTheTarget)
{
    Tally tally;
    CImageDescriptorList target = ListOfTypes({1, 2, 3});
    target.SetAttachment(new CountingAttachment(&tally));
    target = CImageDescriptorList();
    EXPECT_EQ(target.GetCount(), 0);
    EXPECT_EQ(target.GetAttachment(), nullptr);
    EXPECT_EQ(tally.deleted, 1);
}

TEST(ImageDescriptorList, DestroyAndDestructorDeleteTheAttachment)
{
    Tally tally;
    {
        CImageDescriptorList list = ListOfTypes({1});
        list.SetAttachment(new CountingAttachment(&tally));
        list.SetAttachment(new CountingAttachment(&tally));
        EXPECT_EQ(tally.deleted, 1);
        list.Destroy();
        EXPECT_EQ(tally.deleted, 2);
        EXPECT_EQ(list.GetCount(), 0);
        list.SetAttachment(new CountingAttachment(&tally));
    }
    EXPECT_EQ(tally.deleted, 3);
}

TEST(ImageDescriptor, ScratchBufferAllocation)
{
    CScratchBuffer buffer;
    EXPECT_FALSE(buffer.IsValid());
    EXPECT_EQ(buffer.GetData(), nullptr);

    ASSERT_TRUE(buffer.Allocate(64));
    EXPECT_TRUE(buffer.IsValid());
    EXPECT_EQ(buffer.GetSize(), 64);
    ASSERT_NE(buffer.GetData(), nullptr);
    buffer.GetData()[63] = 1;

    for (LONG size : {0, -5}) {
        EXPECT_FALSE(buffer.Allocate(size));
        EXPECT_FALSE(buffer.IsValid());
        EXPECT_EQ(buffer.GetData(), nullptr);
        EXPECT_EQ(buffer.GetSize(), 0);
    }
}

} // namespace
