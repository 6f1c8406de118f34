# Helpers that give every folder the same shape: a room of the platform or a
# static library of the system's code made of the folder's sources
# (sub-folders included, tests/ excluded), and one GoogleTest executable of
# its tests/ folder. Later work only adds files.

# kestrelon_layout_room([<folder>])
# Records the folder (default: the current one) as a room of the layering
# table in tests/layout/LayoutRules.cpp. kestrelon_room and
# kestrelon_library record their own; the layout tests check that the rooms
# recorded are exactly the table's rows, so that neither drifts.
function(kestrelon_layout_room)
  set(folder ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARGC GREATER 0)
    get_filename_component(folder ${ARGV0} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(RELATIVE_PATH room ${PROJECT_SOURCE_DIR} ${folder})
  set_property(GLOBAL APPEND PROPERTY KESTRELON_LAYOUT_ROOMS ${room})
endfunction()

# kestrelon_write_layout_rooms(<file>): the rooms recorded, one a line in
# name order, for the layout tests; called once every folder is added.
function(kestrelon_write_layout_rooms file)
  get_property(rooms GLOBAL PROPERTY KESTRELON_LAYOUT_ROOMS)
  list(SORT rooms)
  list(JOIN rooms "\n" text)
  file(GENERATE OUTPUT ${file} CONTENT "${text}\n")
endfunction()

# kestrelon_library(<target> [DEPS <targets...>] [EXCLUDE <regex>])
# The system's code: a static library of the folder's sources, one room of
# the layering table (an interface library while the room has no sources).
function(kestrelon_library target)
  cmake_parse_arguments(ARG "" "EXCLUDE" "DEPS" ${ARGN})
  kestrelon_layout_room()
  kestrelon_sources(sources "${ARG_EXCLUDE}")
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

# kestrelon_sources(<var> <exclude-regex>): the folder's .cpp and .c files,
# sub-folders included, tests/ and the sub-folders with a CMakeLists.txt of
# their own (rooms of their own, such as Win32/Sb/Audio) excluded.
function(kestrelon_sources var exclude)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  list(FILTER sources EXCLUDE REGEX "/tests/")
  file(GLOB_RECURSE nested CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(lists ${nested})
    get_filename_component(folder ${lists} DIRECTORY)
    string(LENGTH "${folder}/" length)
    foreach(source ${sources})
      string(SUBSTRING "${source}" 0 ${length} head)
      if(head STREQUAL "${folder}/")
        list(REMOVE_ITEM sources ${source})
      endif()
    endforeach()
  endforeach()
  if(exclude)
    list(FILTER sources EXCLUDE REGEX "${exclude}")
  endif()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()

# kestrelon_room(<target> [ROOMS <rooms...>] [PACKAGES <packages...>]
#                [PUBLIC_PACKAGES <packages...>] [EXCLUDE <regex>] [NOT_IN_RUNTIME])
# One room of the platform: an object library of the folder's sources,
# compiled against the rooms below it (ROOMS) and the third-party packages
# it alone uses (PACKAGES, private to the room; PUBLIC_PACKAGES reach the
# rooms that name this one). Unless NOT_IN_RUNTIME is given, its objects are
# linked into the one platform runtime library, kestrelon_platform.
function(kestrelon_room target)
  cmake_parse_arguments(ARG "NOT_IN_RUNTIME" "EXCLUDE" "ROOMS;PACKAGES;PUBLIC_PACKAGES" ${ARGN})
  kestrelon_layout_room()
  kestrelon_sources(sources "${ARG_EXCLUDE}")
  if(NOT sources)
    # An empty room (its headers only, or a place for later work).
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_ROOMS} ${ARG_PUBLIC_PACKAGES})
    return()
  endif()
  add_library(${target} OBJECT ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_ROOMS} ${ARG_PUBLIC_PACKAGES} Threads::Threads
                                  PRIVATE ${ARG_PACKAGES})
  if(NOT ARG_NOT_IN_RUNTIME)
    set_property(GLOBAL APPEND PROPERTY KESTRELON_RUNTIME_ROOMS ${target})
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

# kestrelon_resource_module(<target> [SOURCE_DIR <dir>] [SOURCES <files...>]
#                           [GENERATED <sources...>] OUTPUT <file>)
# Compiles the resource sources (*.krc, in name order) of SOURCE_DIR, then
# the single SOURCES (sources that several modules share), then the
# GENERATED sources (outputs of custom commands of the same folder, such as
# kestrelon_skin_art's) with the resource compiler into the module file
# OUTPUT, again whenever one of them or a file under SOURCE_DIR changes. See
# Resources/README.md.
function(kestrelon_resource_module target)
  cmake_parse_arguments(ARG "" "SOURCE_DIR;OUTPUT" "SOURCES;GENERATED" ${ARGN})
  set(sources)
  set(inputs)
  if(ARG_SOURCE_DIR)
    file(GLOB sources CONFIGURE_DEPENDS ${ARG_SOURCE_DIR}/*.krc)
    list(SORT sources)
    file(GLOB_RECURSE inputs CONFIGURE_DEPENDS ${ARG_SOURCE_DIR}/*)
  endif()
  list(APPEND sources ${ARG_SOURCES})
  list(APPEND inputs ${ARG_SOURCES})
  get_filename_component(folder ${ARG_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND kestrelon_rescomp -o ${ARG_OUTPUT} ${sources} ${ARG_GENERATED}
    DEPENDS kestrelon_rescomp ${inputs} ${ARG_GENERATED}
    COMMENT "Compiling resource module ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()

# kestrelon_skin_art(<var> TABLE <table> OUTPUT_DIR <dir>)
# Runs the skin art generator on one of its tables ("program", "fixtures"),
# which draws the table's bitmaps into OUTPUT_DIR with a resource source
# naming them, <dir>/<table>.krc; sets <var> to that source, for the
# GENERATED sources of kestrelon_resource_module in the same folder. It runs
# again whenever the generator (and so any table) changes.
function(kestrelon_skin_art var)
  cmake_parse_arguments(ARG "" "TABLE;OUTPUT_DIR" "" ${ARGN})
  set(source ${ARG_OUTPUT_DIR}/${ARG_TABLE}.krc)
  add_custom_command(OUTPUT ${source}
    COMMAND kestrelon_skinart_generator --table ${ARG_TABLE} -o ${ARG_OUTPUT_DIR}
    DEPENDS kestrelon_skinart_generator
    COMMENT "Drawing the skin art of the ${ARG_TABLE} table"
    VERBATIM)
  set(${var} ${source} PARENT_SCOPE)
endfunction()

# Modules loaded at run time export only the four COM server entry points;
# everything else (their copy of the DirectShow base classes above all)
# stays local, so that a module never binds to another module's copies of
# the same classes. The platform itself comes from the one runtime library
# every module shares. A module is never unmapped once loaded (-z nodelete):
# FreeLibrary forgets it, but its code stays valid for threads and exit
# handlers.
set(KESTRELON_MODULE_EXPORTS ${CMAKE_BINARY_DIR}/kestrelon-module-exports.map)
file(WRITE ${KESTRELON_MODULE_EXPORTS}
  "{ global: DllGetClassObject; DllCanUnloadNow; DllRegisterServer; DllUnregisterServer; local: *; };\n")

# kestrelon_module_exports(<target>): the export rules above for a MODULE.
function(kestrelon_module_exports target)
  target_link_options(${target} PRIVATE
    "LINKER:--version-script=${KESTRELON_MODULE_EXPORTS}" "LINKER:-z,defs" "LINKER:-z,nodelete")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${KESTRELON_MODULE_EXPORTS})
endfunction()

# kestrelon_plugin(<target> [NO_REGISTER] [RESOURCES <dir>] <sources...>)
# A DirectShow plug-in: a shared MODULE in build/bin with its own copy of
# the DirectShow base classes, whose DllGetClassObject and DllCanUnloadNow
# come from the base classes' module entry (over the module's g_Templates)
# and whose DllRegisterServer and DllUnregisterServer the module defines.
# With RESOURCES, the resource sources (*.krc, in name order) of <dir>
# compile into the module's own resource module, <target>.kres beside the
# shared library, which FindResource, LoadString and the dialog calls read
# through the library's module handle (see Resources/README.md).
# After each build it is registered with regsvr into the build tree's
# registry (${CMAKE_BINARY_DIR}/registry), unless NO_REGISTER is given (test
# fixtures register themselves into their test's registry).
function(kestrelon_plugin target)
  cmake_parse_arguments(ARG "NO_REGISTER" "RESOURCES" "" ${ARGN})
  add_library(${target} MODULE ${ARG_UNPARSED_ARGUMENTS})
  set_target_properties(${target} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  target_link_libraries(${target} PRIVATE kestrelon_dshow_baseclasses kestrelon_dshow_module_entry kestrelon_platform)
  kestrelon_module_exports(${target})
  kestrelon_check_module_needs(${target})
  if(ARG_RESOURCES)
    # Compiled after every link, wherever the library lands; a changed
    # resource file relinks the library, so the module follows it.
    file(GLOB resource_sources CONFIGURE_DEPENDS ${ARG_RESOURCES}/*.krc)
    list(SORT resource_sources)
    file(GLOB_RECURSE resource_inputs CONFIGURE_DEPENDS ${ARG_RESOURCES}/*)
    add_dependencies(${target} kestrelon_rescomp)
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${resource_inputs})
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND $<TARGET_FILE:kestrelon_rescomp>
              -o $<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>.kres ${resource_sources}
      COMMENT "Compiling the resource module of ${target}"
      VERBATIM)
  endif()
  if(NOT ARG_NO_REGISTER)
    add_dependencies(${target} regsvr)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E env KESTRELON_REGISTRY_DIR=${CMAKE_BINARY_DIR}/registry
              $<TARGET_FILE:regsvr> -s $<TARGET_FILE:${target}>
      COMMENT "Registering ${target} in the build tree's registry"
      VERBATIM)
  endif()
endfunction()

# kestrelon_check_module_needs(<target>): a test (label layout) that the
# module's own NEEDED entries name the platform runtime and no third-party
# library of the runtime's.
function(kestrelon_check_module_needs target)
  add_test(NAME layout.module_needs.${target}
    COMMAND ${CMAKE_COMMAND} -DREADELF=${CMAKE_READELF} -DMODULE=$<TARGET_FILE:${target}>
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckModuleNeeds.cmake)
  set_tests_properties(layout.module_needs.${target} PROPERTIES LABELS layout)
endfunction()
