#pragma once
// CMediaType, an AM_MEDIA_TYPE that owns its format block, and the helpers
// for media types in task memory.

#include "Platform/DShow/Api/DShowTypes.h"
#include "Platform/DShow/Api/Guids.h"

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    explicit CMediaType(const GUID* majorType);
    CMediaType(const AM_MEDIA_TYPE& type, HRESULT* result = nullptr);
    CMediaType(const CMediaType& type, HRESULT* result = nullptr);
    ~CMediaType();

    CMediaType& operator=(const CMediaType& type);
    CMediaType& operator=(const AM_MEDIA_TYPE& type);
    // Equal major type, subtype and format type, and equal format blocks.
    bool operator==(const CMediaType& other) const;
    bool operator!=(const CMediaType& other) const { return !(*this == other); }

    // Deep copies; E_OUTOFMEMORY leaves this type without a format block.
    HRESULT Set(const CMediaType& type);
    HRESULT Set(const AM_MEDIA_TYPE& type);

    BOOL IsValid() const { return majortype != GUID_NULL; }
    const GUID* Type() const { return &majortype; }
    void SetType(const GUID* type) { majortype = *type; }
    const GUID* Subtype() const { return &subtype; }
    void SetSubtype(const GUID* type) { subtype = *type; }
    const GUID* FormatType() const { return &formattype; }
    void SetFormatType(const GUID* type) { formattype = *type; }
    BOOL IsFixedSize() const { return bFixedSizeSamples; }
    BOOL IsTemporalCompressed() const { return bTemporalCompression; }
    ULONG GetSampleSize() const { return IsFixedSize() ? lSampleSize : 0; }
    void SetSampleSize(ULONG size);
    void SetVariableSize() { bFixedSizeSamples = FALSE; }
    void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }

    BYTE* Format() const { return pbFormat; }
    ULONG FormatLength() const { return cbFormat; }
    // Copies `length` bytes as the format block; FALSE when out of memory.
    BOOL SetFormat(const BYTE* format, ULONG length);
    void ResetFormatBuffer();
    // A new zero-filled format block of `length` bytes, or the present one
    // when it has that length already; null when out of memory.
    BYTE* AllocFormatBuffer(ULONG length);
    // Grows or shrinks the block, keeping its start.
    BYTE* ReallocFormatBuffer(ULONG length);

    // Zero, fixed-size samples of size 1.
    void InitMediaType();
    // Whether this type fits the partial type: GUID_NULL fields of the
    // partial type match anything, and its format type, when given, must
    // match with an equal format block.
    BOOL MatchesPartial(const CMediaType* partial) const;
    // A major type or format type of GUID_NULL.
    BOOL IsPartiallySpecified() const;
};

// Frees the format block and releases pUnk; the record itself stays.
void FreeMediaType(AM_MEDIA_TYPE& type);
// Frees a record made by CreateMediaType (or handed out by
// IEnumMediaTypes::Next or IMediaSample::GetMediaType); null is ignored.
void DeleteMediaType(AM_MEDIA_TYPE* type);
// A deep copy in task memory, or null.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);
// Deep copy into `target`, whose own contents are not freed.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
