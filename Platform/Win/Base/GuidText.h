#pragma once
// The registry text form of GUIDs, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".

#include <string>
#include <string_view>

#include "Platform/Win/Base/Guid.h"

namespace win {
// Upper-case hex digits in braces, 38 characters.
std::string GuidToString(REFGUID guid);
// Accepts the braced form in either case; false (and `out` untouched) otherwise.
bool GuidFromString(std::string_view text, GUID* out);
} // namespace win
