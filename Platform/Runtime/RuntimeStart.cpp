// What the runtime offers without being asked for by name, registered once
// when the runtime library is loaded, from one table per kind.

#include "Platform/DShow/Filters/SystemFilters.h"
#include "Platform/DShow/Runtime/BuiltinClasses.h"
#include "Platform/Win/Kernel/Resources.h"

namespace {

[[gnu::constructor]] void StartRuntime()
{
    win::RegisterProgramResourceModules();
    dshow::RegisterBuiltinClasses();
    dshow::RegisterSystemFilters();
}

} // namespace
