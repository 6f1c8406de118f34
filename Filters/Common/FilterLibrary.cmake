# kestrelon_filter_library(<Name> [NEEDS <modules...>])
# One plug-in library folder: its code (every .cpp but Module.cpp) as a
# static library that the module and the folder's tests both link, the
# module <Name> (Module.cpp holds its class-factory table and entry
# points) with the resource module of its resources/ folder when it has
# one, registered into the build tree's registry, and the tests of its
# tests/ folder (label subsystem-5), which load the modules they NEED from
# the build tree.
function(kestrelon_filter_library name)
  cmake_parse_arguments(ARG "" "" "NEEDS" ${ARGN})
  string(TOLOWER ${name} lower)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/Module\\.cpp$")
  add_library(kestrelon_${lower}_code STATIC ${sources})
  target_include_directories(kestrelon_${lower}_code PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(kestrelon_${lower}_code PUBLIC kestrelon_filters_common)

  # A resources/ folder (dialogs and strings of the library's property
  # pages) becomes the module's own resource module, <Name>.kres.
  set(resources)
  if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/resources)
    set(resources RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/resources)
  endif()
  kestrelon_plugin(${name} ${resources} ${CMAKE_CURRENT_SOURCE_DIR}/Module.cpp)
  target_link_libraries(${name} PRIVATE kestrelon_${lower}_code kestrelon_filters_common)

  kestrelon_tests(kestrelon_${lower}_tests LABEL subsystem-5
    DEPS kestrelon_${lower}_code kestrelon_filters_testing kestrelon_platform)
  if(TARGET kestrelon_${lower}_tests)
    add_dependencies(kestrelon_${lower}_tests ${name} ${ARG_NEEDS})
    target_compile_definitions(kestrelon_${lower}_tests PRIVATE
      KESTRELON_PLUGIN_DIR="${CMAKE_BINARY_DIR}/bin")
  endif()
endfunction()
