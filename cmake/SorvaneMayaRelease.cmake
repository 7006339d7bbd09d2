# What a Maya release means to the build: its API version, read from the
# devkit's headers; the C++ names of the plug-in's entry points under it; and
# the release a module built against it is for. Script mode can include this
# too (tests do).

# sorvane_maya_api_version(<out> <include directory>...): MAYA_API_VERSION as
# the first maya/MTypes.h among the folders defines it. A devkit's own
# header defines it; our test devkits that wrap our header leave it to ours.
function(sorvane_maya_api_version out)
  foreach(folder ${ARGN} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../host/maya/include)
    if(EXISTS ${folder}/maya/MTypes.h)
      file(STRINGS ${folder}/maya/MTypes.h define REGEX "^#define[ \t]+MAYA_API_VERSION[ \t]+[0-9]+")
      if(define)
        list(GET define 0 define)
        string(REGEX REPLACE ".*MAYA_API_VERSION[ \t]+([0-9]+).*" "\\1" version "${define}")
        set(${out} ${version} PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  message(FATAL_ERROR "no maya/MTypes.h defining MAYA_API_VERSION in ${ARGN}")
endfunction()

# sorvane_maya_entry_name(<out> <function> <api version>): the C++ name of
# <function>(MObject). From API 20180000 on the API's classes live in the
# release's namespace (Autodesk::Maya::OpenMaya20180000), and the name says so.
function(sorvane_maya_entry_name out function api_version)
  string(LENGTH ${function} length)
  set(parameter 7MObject)
  if(api_version GREATER_EQUAL 20180000)
    string(SUBSTRING ${api_version} 0 4 release)
    set(namespace OpenMaya${release}0000)
    string(LENGTH ${namespace} namespace_length)
    set(parameter N8Autodesk4Maya${namespace_length}${namespace}7MObjectE)
  endif()
  set(${out} _Z${length}${function}${parameter} PARENT_SCOPE)
endfunction()

# sorvane_maya_release(<out> <api version>): the Maya release of an API
# version, as a module's MAYAVERSION condition names it: 20180300 and
# 20220000 are 2018 and 2022, 201600 is 2016; empty for versions before
# 2008, which had no such condition.
function(sorvane_maya_release out api_version)
  set(release "")
  if(api_version MATCHES "^(20[0-9][0-9])[0-9][0-9][0-9][0-9]$")
    set(release ${CMAKE_MATCH_1})
  elseif(api_version MATCHES "^(20[0-9][0-9])[0-9][0-9]$")
    set(release ${CMAKE_MATCH_1})
  endif()
  set(${out} "${release}" PARENT_SCOPE)
endfunction()
