#pragma once
// The value records images, compositions and pixel buffers are made from:
// the image descriptor (one field per image property, 0 to 10), the ordered
// descriptor list of a composition, the pixel layout of a buffer, and an
// owned scratch block for row copies.

#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/GfxTypes.h"
#include "Win32/Utils/KLPtrList.h"

class CImageDescriptor {
public:
    // Both rectangles default to (0, 0, 0, 0), a single pixel, unlike the
    // image properties, whose rectangles default to the empty one.
    CImageDescriptor();
    CImageDescriptor(const CGfxString& name, INT pixelType, const CGfxRect& bounds, WORD planeCount,
                     WORD bitsPerSample, BYTE opacity, INT blendMode, INT alphaPlane, INT maskPlane, INT value9,
                     const CGfxRect& clip);
    CImageDescriptor(const CImageDescriptor&) = default;
    CImageDescriptor& operator=(const CImageDescriptor& other);

    CGfxString m_strName;
    INT m_nPixelType = 0;
    CGfxRect m_rcBounds;
    WORD m_nPlaneCount = 0;
    WORD m_nBitsPerSample = 0;
    BYTE m_nOpacity = 255;
    INT m_nBlendMode = 0;
    INT m_bAlphaPlane = 0;
    INT m_bMaskPlane = 0;
    INT m_nValue9 = 0;
    CGfxRect m_rcClip;
};

// The optional object a descriptor list carries and clones along with its
// descriptors.
class CImageDescriptorAttachment {
public:
    virtual ~CImageDescriptorAttachment() = default;
    // A new heap copy, or null when memory is short.
    virtual CImageDescriptorAttachment* Clone() const = 0;
};

// An ordered list of owned descriptor copies with a cursor, one descriptor
// per layer of a composition.
class CImageDescriptorList {
public:
    CImageDescriptorList() = default;
    CImageDescriptorList(const CImageDescriptorList& other);
    // Nothing for the list itself; otherwise replaces the attachment by a
    // clone of the other's and the descriptors by copies of the other's.
    CImageDescriptorList& operator=(const CImageDescriptorList& other);
    // Deletes the descriptors and the attachment.
    virtual ~CImageDescriptorList();

    // Inserts a copy before `index` (-1: before the cursor node, which every
    // insertion leaves on the first node, so -1 appends; the count appends
    // too) and returns it; the cursor then rests on the first node. In an
    // empty list any index from -1 on makes the only descriptor. Null for an
    // index outside the list or when memory is short.
    virtual CImageDescriptor* InsertAt(const CImageDescriptor& descriptor, INT index);
    // Appends a copy and returns it; null when memory is short.
    CImageDescriptor* Append(const CImageDescriptor& descriptor);
    // Descriptor `index`, walked from the cursor without moving it; null
    // for an index outside the list.
    CImageDescriptor* GetAt(INT index) const;
    // Deletes descriptor `index` (-1: the one at the cursor); FALSE when
    // there is no such descriptor.
    BOOL RemoveAt(INT index);
    INT GetCount() const { return m_descriptors.GetCount(); }

    // Takes ownership of `attachment`, deleting the previous one.
    void SetAttachment(CImageDescriptorAttachment* attachment);
    CImageDescriptorAttachment* GetAttachment() const { return m_pAttachment; }
    // Deletes the attachment and every descriptor.
    void Destroy();

private:
    void DeleteDescriptors();

    KLPtrList<CImageDescriptor*> m_descriptors;
    CImageDescriptorAttachment* m_pAttachment = nullptr;
};

// The area, sample size, sample step and fill value a pixel buffer is made
// from.
class CPixelLayout {
public:
    CPixelLayout() = default;
    CPixelLayout(const CGfxRect& area, WORD bitsPerSample, BYTE step, BYTE fill)
        : m_rcArea(area), m_nBitsPerSample(bitsPerSample), m_nStep(step), m_nFill(fill)
    {
    }
    CPixelLayout(const CPixelLayout&) = default;
    CPixelLayout& operator=(const CPixelLayout&) = default;

    // Bytes of one row, rounded up to whole 32-bit words:
    // ((step x width x bits + 31) / 32) x 4; 0 for an empty area. 64-bit, so
    // callers can check it before allocating.
    LONGLONG RowBytes() const;
    BYTE GetFill() const { return m_nFill; }

    CGfxRect m_rcArea;
    WORD m_nBitsPerSample = 0;
    // Samples from one pixel to the next: 1 for an ordinary buffer, 3 for a
    // plane laid over a 24-bit bitmap.
    BYTE m_nStep = 0;
    BYTE m_nFill = 255;
};

// An owned block of bytes for row-by-row copies.
class CScratchBuffer {
public:
    CScratchBuffer() = default;
    CScratchBuffer(const CScratchBuffer&) = delete;
    CScratchBuffer& operator=(const CScratchBuffer&) = delete;
    ~CScratchBuffer();

    // Frees the previous block and allocates `size` bytes; TRUE when the
    // block is usable. A size of 0 or less, or a failed allocation, leaves
    // no block.
    BOOL Allocate(LONG size);
    void Free();

    BOOL IsValid() const { return m_bValid; }
    BYTE* GetData() const { return m_bValid ? m_pData : nullptr; }
    LONG GetSize() const { return m_bValid ? m_nSize : 0; }

private:
    BOOL m_bValid = FALSE;
    BYTE* m_pData = nullptr;
    LONG m_nSize = 0;
};
