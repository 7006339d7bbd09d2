# Runs one command-line case (see CMakeLists.txt) and compares what it printed.
file(STRINGS ${CASE_DIR}/args arguments)
list(TRANSFORM arguments REPLACE "@BUILD@" "${BUILD_DIR}")
list(TRANSFORM arguments REPLACE "@CASE@" "${CASE_DIR}")
set(input /dev/null)
if(EXISTS ${CASE_DIR}/stdin)
  set(input ${CASE_DIR}/stdin)
endif()
set(expected_status 0)
if(EXISTS ${CASE_DIR}/status)
  file(STRINGS ${CASE_DIR}/status expected_status LIMIT_COUNT 1)
endif()

set(environment)
if(EXISTS ${CASE_DIR}/env)
  file(STRINGS ${CASE_DIR}/env environment)
  list(PREPEND environment ${CMAKE_COMMAND} -E env)
endif()

file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${environment} ${COMMAND} ${arguments}
  WORKING_DIRECTORY ${WORK_DIR}
  INPUT_FILE ${input}
  OUTPUT_VARIABLE actual_stdout
  ERROR_VARIABLE actual_stderr
  RESULT_VARIABLE actual_status)

set(failed FALSE)
foreach(stream stdout stderr)
  string(REPLACE "${BUILD_DIR}" "@BUILD@" actual_${stream} "${actual_${stream}}")
  string(REPLACE "${CASE_DIR}" "@CASE@" actual_${stream} "${actual_${stream}}")
  file(WRITE ${WORK_DIR}/actual.${stream} "${actual_${stream}}")
  if(EXISTS ${CASE_DIR}/${stream})
    file(READ ${CASE_DIR}/${stream} expected)
    if(NOT actual_${stream} STREQUAL expected)
      message("${stream} differs from ${CASE_DIR}/${stream}; see ${WORK_DIR}/actual.${stream}")
      execute_process(COMMAND diff -u ${CASE_DIR}/${stream} ${WORK_DIR}/actual.${stream})
      set(failed TRUE)
    endif()
  endif()
endforeach()
if(NOT actual_status STREQUAL expected_status)
  message("exit status ${actual_status}, expected ${expected_status}\n${actual_stderr}")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "case ${CASE_DIR} failed")
endif()
