#pragma once
// The constants a resource source may name without defining them: window,
// dialog and control styles, virtual keys and the standard dialog
// identifiers, all with their Windows values.

#include <cstdint>
#include <string>

namespace rescomp {

bool LookupPredefined(const std::string& name, std::int64_t& value);

} // namespace rescomp
