# Under a file-size limit (ulimit -f, in KiB as bash counts
# them), render and shade say "File too large" and exit 1: no temporary file
# is left, no picture half written, and shade's output ends with a whole line.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(failures "")

execute_process(COMMAND bash -c "ulimit -f 8; exec \"$0\" render --host maya --size 256 --samples 1 -o big.png"
                        ${COMMAND}
                WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE status ERROR_VARIABLE errors)
file(GLOB left ${WORK_DIR}/* ${WORK_DIR}/.*)
if(NOT status EQUAL 1 OR NOT errors MATCHES "sorvane render: cannot write big.png: File too large\n" OR left)
  string(APPEND failures "render under ulimit -f 8 ended with ${status}: ${errors}; left: ${left}\n")
endif()

# Many lines, each some 150 bytes of output, past a limit of 8 KiB.
string(REPEAT "{\"normalCamera\": [0, 0, 1]}\n" 200 lines)
file(WRITE ${WORK_DIR}/samples.jsonl "${lines}")
execute_process(COMMAND bash -c "ulimit -f 8; exec \"$0\" shade --host maya < samples.jsonl > out.jsonl"
                        ${COMMAND}
                WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE status ERROR_VARIABLE errors)
file(READ ${WORK_DIR}/out.jsonl out)
string(LENGTH "${out}" length)
if(NOT status EQUAL 1 OR NOT errors STREQUAL "sorvane shade: cannot write the output: File too large\n"
   OR length EQUAL 0 OR NOT out MATCHES "}\n$")
  string(APPEND failures "shade under ulimit -f 8 ended with ${status} (${errors}), ${length} bytes written\n")
endif()

# Out of memory: a message, not "std::bad_alloc" (ulimit -v, in KiB). Not
# under a sanitizer, whose shadow memory no such limit leaves room for.
if(NOT SANITIZED)
  execute_process(
    COMMAND bash -c "ulimit -v 600000; exec \"$0\" render --host maya --size 8192 --samples 1 -o huge.png"
            ${COMMAND}
    WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 1 OR NOT errors MATCHES "out of memory while rendering" OR EXISTS ${WORK_DIR}/huge.png)
    string(APPEND failures "render under ulimit -v ended with ${status}: ${errors}\n")
  endif()
endif()

if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${failures}")
endif()
