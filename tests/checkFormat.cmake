# Fails when a C++ source differs from what .clang-format lays out, or
# reaches another folder with a relative include ("../x.h"), which would get
# past the include roots that keep the arrows pointing one way. Every
# top-level source folder is covered, so a new one cannot slip past; build
# trees (which may hold a wine prefix linking to /) and hidden folders are
# not walked at all.
cmake_policy(SET CMP0009 NEW)
file(GLOB folders RELATIVE ${SOURCE_DIR} LIST_DIRECTORIES true ${SOURCE_DIR}/*)
set(sources)
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY ${SOURCE_DIR}/${folder} AND NOT folder MATCHES "^(build|\\.)")
    file(GLOB_RECURSE found ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND sources ${found})
  endif()
endforeach()
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${sources}
  RESULT_VARIABLE status ERROR_VARIABLE diagnostics)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${diagnostics}\nRun clang-format -i on the files above.")
endif()

set(climbing)
foreach(source IN LISTS sources)
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"\\.\\./")
  foreach(line IN LISTS lines)
    file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
    string(APPEND climbing "${name}: ${line}\n")
  endforeach()
endforeach()
if(climbing)
  message(FATAL_ERROR "${climbing}Include from the source root (\"cli/render/scene.h\"), not with \"../\".")
endif()
