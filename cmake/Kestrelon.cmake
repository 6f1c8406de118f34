# Helpers that give every folder the same shape: a static library of the
# folder's sources (sub-folders included, tests/ excluded) and one GoogleTest
# executable of its tests/ folder. Later work only adds files.

# kestrelon_library(<target> [DEPS <targets...>] [EXCLUDE <regex>])
function(kestrelon_library target)
  cmake_parse_arguments(ARG "" "EXCLUDE" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  list(FILTER sources EXCLUDE REGEX "/tests/")
  if(ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS} Threads::Threads)
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS} Threads::Threads)
  endif()
endfunction()

# kestrelon_tests(<target> LABEL <label> DEPS <targets...> [DIR <dir>])
# One executable of every .cpp in DIR (default tests/), each TEST registered
# with CTest under LABEL.
function(kestrelon_tests target)
  cmake_parse_arguments(ARG "" "LABEL;DIR" "DEPS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR tests)
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} kestrelon_test_support GTest::gtest GTest::gmock)
  set(test_env "KESTRELON_TEST=1")
  if(KESTRELON_SANITIZE)
    # Tests of allocation failure ask for impossible sizes on purpose.
    list(APPEND test_env "ASAN_OPTIONS=allocator_may_return_null=1")
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "${ARG_LABEL}" ENVIRONMENT "${test_env}")
endfunction()

include(GoogleTest)
