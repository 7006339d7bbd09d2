# Fails when a C++ source differs from what .clang-format lays out. Every
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
