# Fails when a C++ source differs from what .clang-format lays out. Every
# source folder is covered, so a new one cannot slip past; build trees are not
# sources.
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(FILTER sources EXCLUDE REGEX "^(build[^/]*|\\.[^/]*)/")
list(TRANSFORM sources PREPEND ${SOURCE_DIR}/)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${sources}
  RESULT_VARIABLE status ERROR_VARIABLE diagnostics)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${diagnostics}\nRun clang-format -i on the files above.")
endif()
