# The plug-in exports its entry points under their plain and C++ names and
# MApiVersion (and the signature array, where its devkit defines one), and
# nothing else. EXPECTED lists the names, sorted.
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only ${PLUGIN} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm could not read ${PLUGIN}")
endif()
string(REGEX MATCHALL "[^ \n]+\n" names "${symbols}")
list(TRANSFORM names STRIP)
# AddressSanitizer adds an indicator symbol beside each exported global.
list(FILTER names EXCLUDE REGEX "^__odr_asan")
list(SORT names)
if(NOT names STREQUAL EXPECTED)
  message(FATAL_ERROR "${PLUGIN} exports ${names}; expected ${EXPECTED}")
endif()
message(STATUS "${PLUGIN} exports ${names}")
