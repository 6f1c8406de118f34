#include "Platform/Win/Kernel/HandleTable.h"

namespace win::detail {

std::atomic<HandleUseProbe> g_handleUseProbe{nullptr};

void SetHandleUseProbe(HandleUseProbe probe) { g_handleUseProbe.store(probe, std::memory_order_release); }

} // namespace win::detail
