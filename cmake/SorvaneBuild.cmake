# Build conventions shared by every target.

# Warnings for our own code; the build is kept clean of them.
add_library(sorvane_warnings INTERFACE)
if(MSVC)
  target_compile_options(sorvane_warnings INTERFACE /W4)
else()
  target_compile_options(sorvane_warnings INTERFACE -Wall -Wextra -Wpedantic)
endif()

# A 32-bit x86 build would otherwise do float arithmetic on the x87 stack at
# extended precision, so results would depend on register allocation.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "x86|i.86|amd64|AMD64")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

# sorvane_plugin(<target>): a library loaded by a renderer. No "lib" prefix,
# nothing exported but what the plug-in marks for export, nothing left
# unresolved but what the host provides.
function(sorvane_plugin target)
  cmake_parse_arguments(ARG "" "OUTPUT_DIRECTORY" "" ${ARGN})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    POSITION_INDEPENDENT_CODE ON)
  if(ARG_OUTPUT_DIRECTORY)
    set_target_properties(${target} PROPERTIES
      LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/${ARG_OUTPUT_DIRECTORY})
  endif()
  if(NOT MSVC)
    # On Windows the static runtime's symbols stay out of the export table too.
    target_link_options(${target} PRIVATE -Wl,--no-undefined -Wl,--exclude-libs,ALL)
  endif()
  target_link_libraries(${target} PRIVATE sorvane_warnings)
endfunction()
