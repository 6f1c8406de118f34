#include "Win32/Imaging/ImageDescriptor.h"

#include <cstdlib>
#include <new>

CImageDescriptor::CImageDescriptor() : m_rcBounds(0, 0, 0, 0), m_rcClip(0, 0, 0, 0) {}

CImageDescriptor::CImageDescriptor(const CGfxString& name, INT pixelType, const CGfxRect& bounds, WORD planeCount,
                                   WORD bitsPerSample, BYTE opacity, INT blendMode, INT alphaPlane, INT maskPlane,
                                   INT value9, const CGfxRect& clip)
    : m_strName(name), m_nPixelType(pixelType), m_rcBounds(bounds), m_nPlaneCount(planeCount),
      m_nBitsPerSample(bitsPerSample), m_nOpacity(opacity), m_nBlendMode(blendMode), m_bAlphaPlane(alphaPlane),
      m_bMaskPlane(maskPlane), m_nValue9(value9), m_rcClip(clip)
{
}

CImageDescriptor& CImageDescriptor::operator=(const CImageDescriptor& other)
{
    if (this == &other)
        return *this;
    m_strName = other.m_strName;
    m_nPixelType = other.m_nPixelType;
    m_rcBounds = other.m_rcBounds;
    m_nPlaneCount = other.m_nPlaneCount;
    m_nBitsPerSample = other.m_nBitsPerSample;
    m_nOpacity = other.m_nOpacity;
    m_nBlendMode = other.m_nBlendMode;
    m_bAlphaPlane = other.m_bAlphaPlane;
    m_bMaskPlane = other.m_bMaskPlane;
    m_nValue9 = other.m_nValue9;
    m_rcClip = other.m_rcClip;
    return *this;
}

CImageDescriptorList::CImageDescriptorList(const CImageDescriptorList& other)
{
    *this = other;
}

CImageDescriptorList& CImageDescriptorList::operator=(const CImageDescriptorList& other)
{
    if (this == &other)
        return *this;
    SetAttachment(other.m_pAttachment ? other.m_pAttachment->Clone() : nullptr);
    DeleteDescriptors();
    for (INT i = 0; i < other.GetCount(); ++i)
        Append(*other.GetAt(i));
    return *this;
}

CImageDescriptorList::~CImageDescriptorList()
{
    Destroy();
}

CImageDescriptor* CImageDescriptorList::InsertAt(const CImageDescriptor& descriptor, INT index)
{
    CImageDescriptor* copy = new (std::nothrow) CImageDescriptor(descriptor);
    if (!copy)
        return nullptr;
    if (!m_descriptors.InsertAt(copy, index)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

CImageDescriptor* CImageDescriptorList::Append(const CImageDescriptor& descriptor)
{
    CImageDescriptor* copy = new (std::nothrow) CImageDescriptor(descriptor);
    if (!copy)
        return nullptr;
    if (!m_descriptors.AddTail(copy)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

CImageDescriptor* CImageDescriptorList::GetAt(INT index) const
{
    CImageDescriptor* const* cell = m_descriptors.PeekAt(index);
    return cell ? *cell : nullptr;
}

BOOL CImageDescriptorList::RemoveAt(INT index)
{
    CImageDescriptor* const* cell = index == -1 ? m_descriptors.GetCurrent() : m_descriptors.PeekAt(index);
    if (!cell)
        return FALSE;
    CImageDescriptor* descriptor = *cell;
    m_descriptors.RemoveAt(index);
    delete descriptor;
    return TRUE;
}

void CImageDescriptorList::SetAttachment(CImageDescriptorAttachment* attachment)
{
    if (attachment == m_pAttachment)
        return;
    delete m_pAttachment;
    m_pAttachment = attachment;
}

void CImageDescriptorList::Destroy()
{
    SetAttachment(nullptr);
    DeleteDescriptors();
}

void CImageDescriptorList::DeleteDescriptors()
{
    PtrListDeleteAll(m_descriptors);
}

LONGLONG CPixelLayout::RowBytes() const
{
    LONGLONG width = static_cast<LONGLONG>(m_rcArea.right) - m_rcArea.left + 1;
    if (width <= 0)
        return 0;
    return (static_cast<LONGLONG>(m_nStep) * width * m_nBitsPerSample + 31) / 32 * 4;
}

CScratchBuffer::~CScratchBuffer()
{
    Free();
}

BOOL CScratchBuffer::Allocate(LONG size)
{
    Free();
    if (size <= 0)
        return FALSE;
    m_pData = static_cast<BYTE*>(malloc(static_cast<size_t>(size)));
    if (!m_pData)
        return FALSE;
    m_bValid = TRUE;
    m_nSize = size;
    return TRUE;
}

void CScratchBuffer::Free()
{
    free(m_pData);
    m_pData = nullptr;
    m_bValid = FALSE;
    m_nSize = 0;
}
