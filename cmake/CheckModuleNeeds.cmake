# cmake -DREADELF=<readelf> -DMODULE=<file> -P CheckModuleNeeds.cmake
# A plug-in module needs the platform runtime and none of the third-party
# libraries the runtime itself uses; the test fails naming what it found.
execute_process(COMMAND ${READELF} -d ${MODULE} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "readelf could not read ${MODULE}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
string(REPLACE "Shared library: " "" needed "${needed}")
message(STATUS "${MODULE} needs ${needed}")
if(NOT needed MATCHES "\\[libkestrelon_platform\\.so\\]")
  message(FATAL_ERROR "${MODULE} does not need the platform runtime")
endif()
foreach(library libavcodec libavformat libavutil libavdevice libswscale libswresample libSDL2 libfreetype libfontconfig libcdio)
  if(needed MATCHES "\\[${library}[.-]")
    message(FATAL_ERROR "${MODULE} needs ${library}, which only the runtime may use")
  endif()
endforeach()
