# Each source below must fail the generator with its message and make no
# preset: a description's second line would be live MEL after the "//", an
# attribute name could close the MEL string, and a key given twice would
# lose its first value without a word; a name that is no material value of
# the host its section is for would set nothing.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(cases
  "description-newline|{\"wax\": {\"description\": \"soft\\nsetAttr x 1\", \"attributes\": {\"diffuse\": 0.5}}}|must be one line"
  "preset-twice|{\"wax\": {\"attributes\": {\"diffuse\": 0.5}}, \"wax\": {\"attributes\": {\"diffuse\": 0.6}}}|\"wax\" is given twice"
  "attribute-twice|{\"wax\": {\"attributes\": {\"diffuse\": 0.5, \"diffuse\": 0.6}}}|\"diffuse\" is given twice"
  "attribute-name|{\"wax\": {\"attributes\": {\"diffuse\\\" 1 system \\\"rm\": 0.5}}}|is not an attribute name"
  "unknown-attribute|{\"wax\": {\"attributes\": {\"diffuse\": 0.5, \"difuse\": 0.6}}}|\"difuse\" is not a material value of both hosts"
  "node-only-shared|{\"wax\": {\"attributes\": {\"transparency\": [0, 0, 0]}}}|put it under \"maya\""
  "unknown-shader-parameter|{\"wax\": {\"mentalray\": {\"subsurface\": 0.2}}}|the shader has no parameter \"subsurface\"")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 json)
  list(GET parts 2 message)
  file(WRITE ${WORK_DIR}/${name}.json "${json}")
  execute_process(COMMAND ${GENERATOR} ${WORK_DIR}/${name}.json ${WORK_DIR}/${name} ${WORK_DIR}/${name}.cpp
                          ${WORK_DIR}/${name}-mentalray
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  string(FIND "${errors}" "${message}" found)
  if(NOT status EQUAL 1 OR found EQUAL -1 OR EXISTS ${WORK_DIR}/${name}/wax.mel)
    message(FATAL_ERROR "${name}: exit ${status}, expected 1 and \"${message}\": ${errors}")
  endif()
endforeach()
