cmake_minimum_required(VERSION 3.25)
# The API versions of the releases studios run, as the build reads them: the
# release a module is for, and the C++ names of the entry points.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/SorvaneMayaRelease.cmake)

set(failures "")
# api version | release | C++ name of initializePlugin(MObject)
foreach(row
    "850||_Z16initializePlugin7MObject"
    "200800|2008|_Z16initializePlugin7MObject"
    "200900|2009|_Z16initializePlugin7MObject"
    "201600|2016|_Z16initializePlugin7MObject"
    "201780|2017|_Z16initializePlugin7MObject"
    "20180300|2018|_Z16initializePluginN8Autodesk4Maya16OpenMaya201800007MObjectE"
    "20190200|2019|_Z16initializePluginN8Autodesk4Maya16OpenMaya201900007MObjectE"
    "20200000|2020|_Z16initializePluginN8Autodesk4Maya16OpenMaya202000007MObjectE"
    "20220300|2022|_Z16initializePluginN8Autodesk4Maya16OpenMaya202200007MObjectE"
    "20240000|2024|_Z16initializePluginN8Autodesk4Maya16OpenMaya202400007MObjectE")
  string(REPLACE "|" ";" fields "${row}")
  list(GET fields 0 api)
  list(GET fields 1 expected_release)
  list(GET fields 2 expected_name)
  sorvane_maya_release(release ${api})
  sorvane_maya_entry_name(name initializePlugin ${api})
  if(NOT "${release}" STREQUAL "${expected_release}")
    list(APPEND failures "API ${api}: release '${release}', expected '${expected_release}'")
  endif()
  if(NOT name STREQUAL expected_name)
    list(APPEND failures "API ${api}: ${name}, expected ${expected_name}")
  endif()
endforeach()
sorvane_maya_entry_name(name uninitializePlugin 200900)
if(NOT name STREQUAL "_Z18uninitializePlugin7MObject")
  list(APPEND failures "uninitializePlugin: ${name}")
endif()
if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
