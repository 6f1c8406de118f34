#pragma once
// CTransInPlaceFilter: a transform that changes samples where they are.
// Its pins ("Input" and "Output") pass the types and the allocator of the
// neighbouring filters through, so that one allocator serves both sides;
// when the two sides end up with different allocators each sample is
// copied into an output buffer first (Copy). Connecting the output
// reconnects the input so that the upstream filter sees the final type.

#include "Platform/DShow/BaseClasses/TransformFilter.h"

class CTransInPlaceFilter;

class CTransInPlaceInputPin : public CTransformInputPin {
public:
    CTransInPlaceInputPin(LPCTSTR objectName, CTransInPlaceFilter* filter, HRESULT* result, LPCWSTR pinName);

    // The downstream pin's types; VFW_E_NOT_CONNECTED while the output is
    // unconnected.
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator** allocator) override;
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT STDMETHODCALLTYPE GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;

    IMemAllocator* PeekAllocator() const { return m_pAllocator; }
    BOOL ReadOnly() const { return m_bReadOnly; }

protected:
    CTransInPlaceFilter* m_pTIPFilter;
};

// Lock order: connecting the upstream filter to the input holds the
// upstream filter's lock and then takes this one's; the upstream pin takes
// its filter's lock again to list or check its types. So Connect on the
// output asks the upstream pin everything it needs (its types, and whether
// it accepts each candidate) before taking this filter's lock, uses those
// answers under it, and reconnects the input only after letting it go.
class CTransInPlaceOutputPin : public CTransformOutputPin {
public:
    CTransInPlaceOutputPin(LPCTSTR objectName, CTransInPlaceFilter* filter, HRESULT* result, LPCWSTR pinName);

    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* mediaType) override;
    // The upstream pin's types; VFW_E_NOT_CONNECTED while the input is
    // unconnected.
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT CheckMediaType(const CMediaType* type) override;

    void SetAllocator(IMemAllocator* allocator);
    // Whether this thread is inside this pin's Connect; the filter then
    // asks it to reconnect the input when the connection is made.
    bool IsConnectingHere() const;
    void ReconnectInputLater();
    IMemInputPin* ConnectedIMemInputPin() const { return m_pInputPin; }
    IMemAllocator* PeekAllocator() const { return m_pAllocator; }

protected:
    // The upstream pin's answer for `type`: taken from the answers gathered
    // before the lock while this thread connects the pin.
    HRESULT UpstreamAccepts(const CMediaType* type);

    CTransInPlaceFilter* m_pTIPFilter;
};

class CTransInPlaceFilter : public CTransformFilter {
public:
    CTransInPlaceFilter(LPCTSTR name, LPUNKNOWN outer, REFCLSID clsid, HRESULT* result, bool modifiesData = true);

    CBasePin* GetPin(int index) override;

    // Types pass through: any input accepted by CheckInputType; the output
    // type is the input type.
    HRESULT CheckTransform(const CMediaType*, const CMediaType*) override { return S_OK; }
    HRESULT GetMediaType(int, CMediaType*) override { return E_UNEXPECTED; }
    // The input allocator's count and size.
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin) override;

    HRESULT Receive(IMediaSample* sample) override;
    virtual HRESULT Transform(IMediaSample* sample) = 0;

protected:
    friend class CTransInPlaceInputPin;
    friend class CTransInPlaceOutputPin;

    // A new output buffer holding a copy of the sample's data and
    // properties, or null.
    virtual IMediaSample* Copy(IMediaSample* source);
    BOOL UsingDifferentAllocators() const;
    BOOL TypesMatch();

    CTransInPlaceInputPin* InputPin() const { return static_cast<CTransInPlaceInputPin*>(m_pInput); }
    CTransInPlaceOutputPin* OutputPin() const { return static_cast<CTransInPlaceOutputPin*>(m_pOutput); }

    bool m_bModifiesData;

private:
    // The two-argument transform is not used by in-place filters.
    using CTransformFilter::Transform;
};
