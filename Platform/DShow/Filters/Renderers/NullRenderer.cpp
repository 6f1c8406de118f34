// The Null Renderer: takes any type and discards every sample at its time.

#include "Platform/DShow/Filters/Playback.h"
#include "Platform/DShow/Filters/Renderers/RendererBase.h"

namespace dshow {
namespace {

class NullRenderer final : public RendererBase {
public:
    NullRenderer() : RendererBase(NAME("Null Renderer"), CLSID_NullRenderer, u"In") {}

protected:
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
    HRESULT Render(IMediaSample*) override { return S_OK; }
};

} // namespace

HRESULT CreateNullRenderer(REFIID riid, void** object) { return CreateSystemObject<NullRenderer>(riid, object); }

} // namespace dshow
