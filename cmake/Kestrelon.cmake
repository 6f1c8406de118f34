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
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS "${ARG_LABEL}" ENVIRONMENT "KESTRELON_TEST=1")
endfunction()

include(GoogleTest)

# kestrelon_resource_module(<target> SOURCE_DIR <dir> OUTPUT <file>)
# Compiles the resource sources (*.krc, in name order) of SOURCE_DIR with the
# resource compiler into the module file OUTPUT, again whenever a file under
# SOURCE_DIR changes. See Resources/README.md.
function(kestrelon_resource_module target)
  cmake_parse_arguments(ARG "" "SOURCE_DIR;OUTPUT" "" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_SOURCE_DIR}/*.krc)
  list(SORT sources)
  file(GLOB_RECURSE inputs CONFIGURE_DEPENDS ${ARG_SOURCE_DIR}/*)
  get_filename_component(folder ${ARG_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND kestrelon_rescomp -o ${ARG_OUTPUT} ${sources}
    DEPENDS kestrelon_rescomp ${inputs}
    COMMENT "Compiling resource module ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()

# Modules loaded at run time export only the four COM server entry points;
# everything else (including their private copies of the platform
# libraries) stays local, so that a module never binds to the program's
# copies of the same functions. A module is never unmapped once loaded
# (-z nodelete): FreeLibrary forgets it, but its code and the process-wide
# state of its platform copies stay valid for threads and exit handlers.
set(KESTRELON_MODULE_EXPORTS ${CMAKE_BINARY_DIR}/kestrelon-module-exports.map)
file(WRITE ${KESTRELON_MODULE_EXPORTS}
  "{ global: DllGetClassObject; DllCanUnloadNow; DllRegisterServer; DllUnregisterServer; local: *; };\n")

# kestrelon_module_exports(<target>): the export rules above for a MODULE.
function(kestrelon_module_exports target)
  target_link_options(${target} PRIVATE
    "LINKER:--version-script=${KESTRELON_MODULE_EXPORTS}" "LINKER:-z,defs" "LINKER:-z,nodelete")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${KESTRELON_MODULE_EXPORTS})
endfunction()

# kestrelon_plugin(<target> [NO_REGISTER] <sources...>)
# A DirectShow plug-in: a shared MODULE in build/bin built on the DirectShow
# base classes, whose DllGetClassObject and DllCanUnloadNow come from the
# base classes (over the module's g_Templates) and whose DllRegisterServer
# and DllUnregisterServer the module defines. After each build it is
# registered with regsvr into the build tree's registry
# (${CMAKE_BINARY_DIR}/registry), unless NO_REGISTER is given (test
# fixtures register themselves into their test's registry).
function(kestrelon_plugin target)
  cmake_parse_arguments(ARG "NO_REGISTER" "" "" ${ARGN})
  add_library(${target} MODULE ${ARG_UNPARSED_ARGUMENTS})
  set_target_properties(${target} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  target_link_libraries(${target} PRIVATE kestrelon_dshow)
  # The entry points live in the base-class library; naming them pulls
  # them out of the static archive.
  target_link_options(${target} PRIVATE "LINKER:-u,DllGetClassObject" "LINKER:-u,DllCanUnloadNow")
  kestrelon_module_exports(${target})
  if(NOT ARG_NO_REGISTER)
    add_dependencies(${target} regsvr)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E env KESTRELON_REGISTRY_DIR=${CMAKE_BINARY_DIR}/registry
              $<TARGET_FILE:regsvr> -s $<TARGET_FILE:${target}>
      COMMENT "Registering ${target} in the build tree's registry"
      VERBATIM)
  endif()
endfunction()
