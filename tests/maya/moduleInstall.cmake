# cmake --install lays out a Maya module: every file in its place, a .mod that
# Maya's module loader reads (a path relative to itself, the platform, the
# mental ray search paths), the command and the stand-in hosts out of the
# folders Maya searches, and the installed command previewing the installed
# plug-ins.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${output}")
endif()
if(NOT output MATCHES "stand-in Maya headers")
  message(FATAL_ERROR "the install does not say that the plug-in is built against the stand-in: ${output}")
endif()
foreach(file sorvane.mod README.txt plug-ins/sorvane.so scripts/AEsorvaneTemplate.mel
             presets/attrPresets/sorvane/default.mel presets/attrPresets/qm7r_sorvane/default.mel
             icons/out_sorvane.png icons/render_sorvane.png
             mentalray/lib/qm7r_sorvane.so mentalray/include/qm7r_sorvane.mi tools/bin/sorvane)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "the module lacks ${file}")
  endif()
endforeach()
foreach(folder bin lib)
  if(EXISTS ${PREFIX}/${folder})
    message(FATAL_ERROR "the module has ${folder}/, where Maya would find the stand-in host")
  endif()
endforeach()
file(READ ${PREFIX}/README.txt readme)
if(NOT readme MATCHES "stand-in Maya headers")
  message(FATAL_ERROR "README.txt does not say what the plug-in is built against: ${readme}")
endif()

file(STRINGS ${PREFIX}/sorvane.mod lines)
list(GET lines 0 head)
if(NOT head MATCHES "^\\+ PLATFORM:linux sorvane [0-9.]+ (.+)$")
  message(FATAL_ERROR "sorvane.mod does not open with the module line: ${head}")
endif()
set(root ${CMAKE_MATCH_1})
if(IS_ABSOLUTE ${root})
  message(FATAL_ERROR "sorvane.mod names its folder by an absolute path: ${root}")
endif()
get_filename_component(root ${PREFIX}/${root} ABSOLUTE)
get_filename_component(prefix ${PREFIX} ABSOLUTE)
if(NOT root STREQUAL prefix)
  message(FATAL_ERROR "sorvane.mod names ${root}, not its own folder ${prefix}")
endif()
foreach(expected "XBMLANGPATH+:=icons/%B" "MI_CUSTOM_SHADER_PATH+:=mentalray/include"
                 "MI_LIBRARY_PATH+:=mentalray/lib")
  if(NOT expected IN_LIST lines)
    message(FATAL_ERROR "sorvane.mod lacks ${expected}: ${lines}")
  endif()
endforeach()

foreach(host maya mentalray)
  execute_process(COMMAND ${PREFIX}/tools/bin/sorvane inspect --host ${host}
                  RESULT_VARIABLE status OUTPUT_VARIABLE inspected ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the installed command cannot inspect the installed ${host} plug-in: ${errors}")
  endif()
  if(NOT inspected MATCHES "\"${prefix}/(plug-ins|mentalray/lib)/")
    message(FATAL_ERROR "the installed command inspected another ${host} plug-in than the module's")
  endif()
endforeach()
