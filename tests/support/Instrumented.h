#pragma once
// How many times slower instrumented builds (the sanitizers) run the code:
// the few tests whose wait limits sit near the real work's length under
// load stretch them by this much.

#include "Platform/Win/Base/SanitizerDefaults.h"

namespace testing_support {

#if defined(KESTRELON_ADDRESS_SANITIZER) || defined(KESTRELON_THREAD_SANITIZER)
constexpr int kInstrumentedSlowdown = 8;
#else
constexpr int kInstrumentedSlowdown = 1;
#endif

} // namespace testing_support
