# Output that cannot be written is a failure, not a success: each command
# writing to a full device exits 1 and says why.
cmake_minimum_required(VERSION 3.25)
file(WRITE ${WORK_DIR}/samples.jsonl "{}\n{}\n")
foreach(arguments "render;--list-presets" "inspect;--host;maya" "inspect;--host;mentalray"
                  "shade;--host;maya" "shade;--host;mentalray" "--help" "--version" "render;--help")
  execute_process(COMMAND ${COMMAND} ${arguments}
                  INPUT_FILE ${WORK_DIR}/samples.jsonl OUTPUT_FILE /dev/full
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 1 OR NOT errors MATCHES "cannot write the output: No space left on device")
    message(FATAL_ERROR "sorvane ${arguments} > /dev/full ended with ${status}: ${errors}")
  endif()
endforeach()
