# cmake --install lays out the Maya module:
#   sorvane.mod, README.txt
#   plug-ins/sorvane.so, scripts/AEsorvaneTemplate.mel, presets/attrPresets/sorvane/,
#   icons/: the node's icons for the Outliner (out_sorvane.png, 20 pixels) and
#   the Hypershade and Create Render Node window (render_sorvane.png, 32)
#   mentalray/lib/qm7r_sorvane.so, mentalray/include/qm7r_sorvane.mi
#   tools/bin/sorvane, tools/lib/: the command and the stand-in hosts, in a
#   folder Maya does not search, so it never meets our OpenMaya.
# The .mod names the module's folder relative to itself, so it can be moved.
# Maya on Linux looks for an icon by a pattern, %B standing for its file name.
if(WIN32)
  set(SORVANE_MODULE_PLATFORM win64)
  set(SORVANE_MODULE_ICONS icons)
else()
  set(SORVANE_MODULE_PLATFORM linux)
  set(SORVANE_MODULE_ICONS icons/%B)
endif()
# A plug-in built against our stand-in headers has our class layouts, not a
# Maya release's: the module says so where a TD looks.
# A plug-in built against a devkit is for that devkit's release: the module
# line names it, so a Maya of another release passes the module by. The
# stand-in build names none.
set(SORVANE_MODULE_CONDITION "")
if(SORVANE_MAYA_DEVKIT)
  sorvane_maya_api_version(devkit_api_version ${SORVANE_MAYA_DEVKIT}/include)
  sorvane_maya_release(devkit_release ${devkit_api_version})
  if(devkit_release)
    set(SORVANE_MODULE_CONDITION "MAYAVERSION:${devkit_release} ")
  endif()
  set(SORVANE_MODULE_BUILT_AGAINST "the Maya devkit at ${SORVANE_MAYA_DEVKIT}")
else()
  set(SORVANE_MODULE_BUILT_AGAINST
      "sorvane's stand-in Maya headers, not a Maya devkit.\nIt is for previews with the sorvane command; for Maya, build the module\nwith the devkit of that Maya release (-DSORVANE_MAYA_DEVKIT=<devkit>)")
endif()
configure_file(${PROJECT_SOURCE_DIR}/maya/sorvane.mod.in ${PROJECT_BINARY_DIR}/sorvane.mod @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/maya/moduleReadme.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY)

install(FILES ${PROJECT_BINARY_DIR}/sorvane.mod ${PROJECT_BINARY_DIR}/README.txt DESTINATION . COMPONENT maya)
install(TARGETS sorvane_maya_plugin LIBRARY DESTINATION plug-ins RUNTIME DESTINATION plug-ins COMPONENT maya)
install(FILES ${SORVANE_AE_TEMPLATE} DESTINATION scripts COMPONENT maya)
install(FILES ${PROJECT_SOURCE_DIR}/maya/icons/out_sorvane.png ${PROJECT_SOURCE_DIR}/maya/icons/render_sorvane.png
        DESTINATION icons COMPONENT maya)
if(NOT SORVANE_MAYA_DEVKIT)
  install(CODE "message(WARNING \"This module's plug-in is built against sorvane's stand-in Maya headers: \"
                                \"Maya must not load it. Build the module for a Maya release with that \"
                                \"release's devkit (-DSORVANE_MAYA_DEVKIT=<devkit>).\")" COMPONENT maya)
endif()
