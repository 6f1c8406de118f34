#pragma once
// Writes a ResourceSet as a compiled module file (Platform/Win/ResourceFormat.h).

#include <string>

#include "Resources/Compiler/ResourceSet.h"

namespace rescomp {

// Writes through a temporary file renamed over `path`, so a failed run never
// leaves a half-written module. False with `error` set on failure.
bool WriteModule(const ResourceSet& resources, const std::string& path, std::string& error);

} // namespace rescomp
