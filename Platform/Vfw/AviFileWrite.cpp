#include "Platform/Vfw/AviObjects.h"

namespace vfw {

HRESULT CreateAviForWriting(const char*, PAVIFILE*)
{
    return AVIERR_UNSUPPORTED;
}

} // namespace vfw
