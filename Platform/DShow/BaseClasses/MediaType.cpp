#include "Platform/DShow/BaseClasses/MediaType.h"

#include <cstring>

void FreeMediaType(AM_MEDIA_TYPE& type)
{
    if (type.pbFormat) {
        CoTaskMemFree(type.pbFormat);
        type.pbFormat = nullptr;
    }
    type.cbFormat = 0;
    if (type.pUnk) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* type)
{
    if (!type)
        return;
    FreeMediaType(*type);
    CoTaskMemFree(type);
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source)
{
    if (!target || !source)
        return E_POINTER;
    if (target == source)
        return S_OK;
    *target = *source;
    if (source->cbFormat != 0 && source->pbFormat) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (!target->pbFormat) {
            target->cbFormat = 0;
            target->pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    } else {
        target->cbFormat = 0;
        target->pbFormat = nullptr;
    }
    if (target->pUnk)
        target->pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source)
{
    if (!source)
        return nullptr;
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!type)
        return nullptr;
    if (FAILED(CopyMediaType(type, source))) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

CMediaType::CMediaType() { InitMediaType(); }

CMediaType::CMediaType(const GUID* majorType)
{
    InitMediaType();
    majortype = *majorType;
}

CMediaType::CMediaType(const AM_MEDIA_TYPE& type, HRESULT* result)
{
    InitMediaType();
    HRESULT hr = CopyMediaType(this, &type);
    if (result)
        *result = hr;
}

CMediaType::CMediaType(const CMediaType& type, HRESULT* result)
{
    InitMediaType();
    HRESULT hr = CopyMediaType(this, &type);
    if (result)
        *result = hr;
}

CMediaType::~CMediaType() { FreeMediaType(*this); }

CMediaType& CMediaType::operator=(const CMediaType& type)
{
    Set(type);
    return *this;
}

CMediaType& CMediaType::operator=(const AM_MEDIA_TYPE& type)
{
    Set(type);
    return *this;
}

bool CMediaType::operator==(const CMediaType& other) const
{
    return majortype == other.majortype && subtype == other.subtype && formattype == other.formattype &&
           cbFormat == other.cbFormat && (cbFormat == 0 || std::memcmp(pbFormat, other.pbFormat, cbFormat) == 0);
}

HRESULT CMediaType::Set(const CMediaType& type) { return Set(static_cast<const AM_MEDIA_TYPE&>(type)); }

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& type)
{
    if (&type == this)
        return S_OK;
    // Copied aside first: `type` may share the format block being freed.
    AM_MEDIA_TYPE copy;
    HRESULT hr = CopyMediaType(&copy, &type);
    FreeMediaType(*this);
    if (FAILED(hr)) {
        InitMediaType();
        return hr;
    }
    static_cast<AM_MEDIA_TYPE&>(*this) = copy;
    return S_OK;
}

void CMediaType::SetSampleSize(ULONG size)
{
    if (size == 0) {
        SetVariableSize();
    } else {
        bFixedSizeSamples = TRUE;
        lSampleSize = size;
    }
}

BOOL CMediaType::SetFormat(const BYTE* format, ULONG length)
{
    if (length == 0) {
        ResetFormatBuffer();
        return TRUE;
    }
    BYTE* block = AllocFormatBuffer(length);
    if (!block)
        return FALSE;
    std::memcpy(block, format, length);
    return TRUE;
}

void CMediaType::ResetFormatBuffer()
{
    if (pbFormat)
        CoTaskMemFree(pbFormat);
    pbFormat = nullptr;
    cbFormat = 0;
}

BYTE* CMediaType::AllocFormatBuffer(ULONG length)
{
    if (length == 0)
        return nullptr;
    if (pbFormat && cbFormat == length)
        return pbFormat;
    auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (!block)
        return nullptr;
    std::memset(block, 0, length);
    ResetFormatBuffer();
    pbFormat = block;
    cbFormat = length;
    return block;
}

BYTE* CMediaType::ReallocFormatBuffer(ULONG length)
{
    if (length == 0) {
        ResetFormatBuffer();
        return nullptr;
    }
    auto* block = static_cast<BYTE*>(CoTaskMemRealloc(pbFormat, length));
    if (!block)
        return nullptr;
    if (length > cbFormat)
        std::memset(block + cbFormat, 0, length - cbFormat);
    pbFormat = block;
    cbFormat = length;
    return block;
}

void CMediaType::InitMediaType()
{
    std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
    lSampleSize = 1;
    bFixedSizeSamples = TRUE;
}

BOOL CMediaType::MatchesPartial(const CMediaType* partial) const
{
    if (partial->majortype != GUID_NULL && majortype != partial->majortype)
        return FALSE;
    if (partial->subtype != GUID_NULL && subtype != partial->subtype)
        return FALSE;
    if (partial->formattype != GUID_NULL) {
        if (formattype != partial->formattype || cbFormat != partial->cbFormat)
            return FALSE;
        if (cbFormat != 0 && std::memcmp(pbFormat, partial->pbFormat, cbFormat) != 0)
            return FALSE;
    }
    return TRUE;
}

BOOL CMediaType::IsPartiallySpecified() const { return majortype == GUID_NULL || formattype == GUID_NULL; }
