#pragma once
// The font families installed on the system, for the rooms that offer a
// choice of them (the font dialog).

#include <string>
#include <vector>

namespace win::gdi {

// The families fontconfig lists, without vertical ("@") and over-long names
// (a face name must fit LOGFONT's), each once whatever its case, sorted
// without regard to case. `scalableOnly` keeps outline fonts only,
// `fixedPitchOnly` monospaced ones only.
std::vector<std::string> FontFamilies(bool scalableOnly, bool fixedPitchOnly);

} // namespace win::gdi
