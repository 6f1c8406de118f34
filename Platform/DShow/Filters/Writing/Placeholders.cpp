// Filters that stand in for outside components known only by their class
// identifiers: the DV patch filter of type-2 DV files, which passes DV
// video through unchanged between the DV encoder and the AVI multiplexer,
// and the start-up placeholder, which the plug-in check only creates and
// releases (it has no pins).

#include "Platform/DShow/Filters/Writing/Writing.h"

namespace dshow {
namespace {

class DvPatchFilter final : public CTransInPlaceFilter {
public:
    DvPatchFilter() : CTransInPlaceFilter(NAME("DV-Patch Filter"), nullptr, CLSID_DVPatchFilter, nullptr, false) {}

    HRESULT CheckInputType(const CMediaType* type) override
    {
        return *type->Type() == MEDIATYPE_Video &&
                       (*type->Subtype() == MEDIASUBTYPE_dvsd || *type->Subtype() == MEDIASUBTYPE_DVSD)
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT Transform(IMediaSample*) override { return S_OK; }
};

class Placeholder final : public CBaseFilter {
public:
    Placeholder() : CBaseFilter(NAME("Placeholder"), nullptr, &m_lock, CLSID_QklawrPlaceholder) {}
    int GetPinCount() override { return 0; }
    CBasePin* GetPin(int) override { return nullptr; }

private:
    CCritSec m_lock;
};

} // namespace

HRESULT CreateDvPatchFilter(REFIID riid, void** object) { return CreateSystemObject<DvPatchFilter>(riid, object); }
HRESULT CreatePlaceholder(REFIID riid, void** object) { return CreateSystemObject<Placeholder>(riid, object); }

} // namespace dshow
