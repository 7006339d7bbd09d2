# Fails when a C++ source differs from what .clang-format lays out.
file(GLOB_RECURSE sources
  ${SOURCE_DIR}/model/*.h ${SOURCE_DIR}/maya/*.h ${SOURCE_DIR}/maya/*.cpp
  ${SOURCE_DIR}/mentalray/*.h ${SOURCE_DIR}/mentalray/*.cpp
  ${SOURCE_DIR}/host/*.h ${SOURCE_DIR}/host/*.cpp
  ${SOURCE_DIR}/cli/*.h ${SOURCE_DIR}/cli/*.cpp
  ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/tests/*.cpp
  ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/bench/*.cpp
  ${SOURCE_DIR}/fuzz/*.h ${SOURCE_DIR}/fuzz/*.cpp)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${sources}
  RESULT_VARIABLE status ERROR_VARIABLE diagnostics)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${diagnostics}\nRun clang-format -i on the files above.")
endif()
