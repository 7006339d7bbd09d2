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
  # A 32-bit Windows caller keeps the stack 4-byte aligned only; the vector
  # code realigns where it spills a vector register.
  if(WIN32 AND NOT MSVC)
    add_compile_options(-mincoming-stack-boundary=2)
  endif()
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

# sorvane_source_folders(<target> <INTERFACE|PUBLIC|PRIVATE> <folder>...): lets
# <target> include "<folder>/file.h" for the folders named. Each folder has an
# include root of its own in the build tree, holding a link to that folder
# alone, so a target sees only what it names here and what the libraries it
# links name for their users: an include that points the wrong way does not
# build. The project root is on no target's include path.
function(sorvane_source_folders target scope)
  foreach(folder ${ARGN})
    string(REPLACE "/" "-" rootName ${folder})
    set(root ${PROJECT_BINARY_DIR}/includeRoots/${rootName})
    set(link ${root}/${folder})
    # A tree configured from a source tree that has since moved points afresh.
    set(current "")
    if(IS_SYMLINK ${link})
      file(READ_SYMLINK ${link} current)
    endif()
    if(NOT current STREQUAL "${PROJECT_SOURCE_DIR}/${folder}")
      get_filename_component(parent ${link} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(REMOVE ${link})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${link} SYMBOLIC)
    endif()
    target_include_directories(${target} ${scope} ${root})
  endforeach()
endfunction()
