# Declarations that disagree with the library: shade and render refuse them
# naming the first differing parameter (exit 1, nothing shaded or written),
# inspect reports them; the shipped declaration still passes all three.
cmake_minimum_required(VERSION 3.25)
set(library ${BUILD_DIR}/mentalray/lib/qm7r_sorvane.so)
file(READ ${BUILD_DIR}/mentalray/include/qm7r_sorvane.mi shipped)
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/samples.jsonl "{}\n")

set(header "declare shader color \"qm7r_sorvane\" (")
set(footer ") version 1 end declare\n")

# name, then the declaration's text, then the difference expected ("" for none).
set(case_names shipped type-changed emptied one-parameter removed swapped hundred-thousand-added
    retyped-same-size renamed-same-size)

set(text_shipped "${shipped}")
set(expected_shipped "")

string(REGEX REPLACE "scalar +\"diffuse\" +default 0.8" "color \"diffuse\"" text_type-changed "${shipped}")
set(expected_type-changed "parameter \"diffuse\" is laid out at 60 as a color (16 bytes); the library's field \
there is 4 bytes (a boolean, integer, scalar or tag)")

set(text_emptied "${header} ${footer}")
set(expected_emptied "declares no parameters; the library reads 22 fields, the first at offset 0")

set(text_one-parameter "${header} scalar \"diffuse\" ${footer}")
set(expected_one-parameter "parameter \"diffuse\" is laid out at 0 as a scalar (4 bytes); the library's field \
there is 16 bytes (a color)")

string(REGEX REPLACE "[^\n]*\"normalCamera\"[^\n]*\n" "" text_removed "${shipped}")
set(expected_removed "parameter \"diffuse\" is laid out at 48 as a scalar (4 bytes); the library's field \
there is 12 bytes (a vector)")

string(REGEX REPLACE "(color +\"scatteringColor\"[^\n]*\n)([^\n]*\"scattering\"[^\n]*\n)" "\\2\\1"
       text_swapped "${shipped}")
set(expected_swapped "parameter \"scattering\" is laid out at 64 as a scalar (4 bytes); the library's field \
there is 16 bytes (a color)")

# The same block, parameters told apart only by name and type: the
# declaration the library ships with is the reference.
set(shipped_path ${BUILD_DIR}/mentalray/include/qm7r_sorvane.mi)
string(REGEX REPLACE "scalar +\"diffuse\" +default 0.8" "integer \"diffuse\" default 1" text_retyped-same-size
       "${shipped}")
set(expected_retyped-same-size "parameter 5 is declared integer \"diffuse\", where the shipped declaration \
${shipped_path} has scalar \"diffuse\"")
string(REPLACE "\"scattering\" " "\"@\" " text_renamed-same-size "${shipped}")
string(REPLACE "\"depth\" " "\"scattering\" " text_renamed-same-size "${text_renamed-same-size}")
string(REPLACE "\"@\" " "\"depth\" " text_renamed-same-size "${text_renamed-same-size}")
set(expected_renamed-same-size "parameter 7 is declared scalar \"depth\", where the shipped declaration \
${shipped_path} has scalar \"scattering\"")

# 100 times 1000 names, extra0_0 to extra99_999 (a single loop of 100,000 is slow in CMake).
set(block "")
foreach(k RANGE 999)
  string(APPEND block ",\n    scalar \"extra@${k}\"")
endforeach()
set(extra "")
foreach(i RANGE 99)
  string(REPLACE "@" "${i}_" part "${block}")
  string(APPEND extra "${part}")
endforeach()
string(REPLACE "array light \"lights\"" "array light \"lights\"${extra}" text_hundred-thousand-added
       "${shipped}")
set(expected_hundred-thousand-added "parameter \"extra0_0\" is laid out at 192 as a scalar (4 bytes); the \
library reads no field there")

set(failures "")
foreach(name IN LISTS case_names)
  set(declaration ${WORK_DIR}/${name}.mi)
  file(WRITE ${declaration} "${text_${name}}")
  set(expected "${expected_${name}}")
  set(refusal "${declaration} does not match ${library}: ${expected}")
  string(REPLACE "\"" "\\\"" expected_json "${expected}")

  execute_process(COMMAND ${COMMAND} shade --host mentalray --declaration ${declaration}
                  INPUT_FILE ${WORK_DIR}/samples.jsonl
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(expected STREQUAL "")
    if(NOT status EQUAL 0 OR NOT out MATCHES "^{\"result\"")
      string(APPEND failures "${name}: shade ended with ${status}: ${out}${err}\n")
    endif()
  elseif(NOT status EQUAL 1 OR NOT out STREQUAL "" OR NOT err STREQUAL "sorvane shade: ${refusal}\n")
    string(APPEND failures "${name}: shade ended with ${status}, printed \"${out}\" and \"${err}\"\n")
  endif()

  file(REMOVE ${WORK_DIR}/${name}.png)
  execute_process(COMMAND ${COMMAND} render --host mentalray --declaration ${declaration} --size 8
                          --samples 1 -o ${WORK_DIR}/${name}.png
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(expected STREQUAL "")
    if(NOT status EQUAL 0 OR NOT EXISTS ${WORK_DIR}/${name}.png)
      string(APPEND failures "${name}: render ended with ${status}: ${err}\n")
    endif()
  else()
    string(FIND "${err}" "${refusal}" at)
    if(NOT status EQUAL 1 OR at EQUAL -1 OR EXISTS ${WORK_DIR}/${name}.png)
      string(APPEND failures "${name}: render ended with ${status}: ${err}\n")
    endif()
  endif()

  execute_process(COMMAND ${COMMAND} inspect --host mentalray --declaration ${declaration}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(expected STREQUAL "")
    set(wanted "\"layoutMatches\": true\n}")
  else()
    set(wanted "\"layoutMatches\": false,\n  \"layoutDifference\": \"${expected_json}\"\n}")
  endif()
  string(FIND "${out}" "${wanted}" at)
  if(NOT status EQUAL 0 OR at EQUAL -1)
    string(APPEND failures "${name}: inspect ended with ${status} without ${wanted}: ${err}\n")
  endif()
endforeach()
if(NOT failures STREQUAL "")
  message(FATAL_ERROR "${failures}")
endif()
