#pragma once
// Options for sanitizer builds, given by the program itself rather than by
// the environment so that every way of starting it (CTest, a shell, a
// debugger) behaves the same. Expand KESTRELON_SANITIZER_DEFAULTS() once in
// the source file that holds an executable's main.

// g++ says so with __SANITIZE_ADDRESS__, clang with __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRELON_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(KESTRELON_ADDRESS_SANITIZER)
#define KESTRELON_ADDRESS_SANITIZER 1
#endif

#if defined(KESTRELON_ADDRESS_SANITIZER)
#define KESTRELON_SANITIZER_DEFAULTS()                                                                              \
    /* Tests of allocation failure ask for impossible sizes on purpose. */                                        \
    extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }                     \
    /* fontconfig keeps its configuration for the whole run. */                                                  \
    extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#else
#define KESTRELON_SANITIZER_DEFAULTS()
#endif
