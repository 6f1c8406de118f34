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

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTRELON_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__) && !defined(KESTRELON_THREAD_SANITIZER)
#define KESTRELON_THREAD_SANITIZER 1
#endif

// ThreadSanitizer ignores what these third-party libraries, built without
// it, do through the interceptors (their own locks and threads).
#define KESTRELON_THREAD_SANITIZER_SUPPRESSIONS "called_from_lib:libSDL2-2.0.so.0\ncalled_from_lib:libasound.so.2\n"

#if defined(KESTRELON_ADDRESS_SANITIZER)
#define KESTRELON_SANITIZER_DEFAULTS()                                                                              \
    /* Tests of allocation failure ask for impossible sizes on purpose. */                                        \
    extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }                     \
    /* Third-party libraries that keep what they allocate for the whole run: */                                  \
    /* fontconfig its configuration, D-Bus (reached through SDL) its          */                                  \
    /* connection, SDL its audio and video subsystems.                        */                                  \
    extern "C" const char* __lsan_default_suppressions()                                                           \
    {                                                                                                              \
        return "leak:libfontconfig\nleak:libdbus-1\nleak:libSDL2\n";                                              \
    }
#elif defined(KESTRELON_THREAD_SANITIZER)
#define KESTRELON_SANITIZER_DEFAULTS()                                                                              \
    /* Tests of allocation failure ask for impossible sizes on purpose. */                                        \
    extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1 second_deadlock_stack=1"; } \
    extern "C" const char* __tsan_default_suppressions() { return KESTRELON_THREAD_SANITIZER_SUPPRESSIONS; }
#else
#define KESTRELON_SANITIZER_DEFAULTS()
#endif
