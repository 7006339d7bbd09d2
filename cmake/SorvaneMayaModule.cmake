# cmake --install lays out the Maya module: sorvane.mod at the top, the
# plug-in in plug-ins/, the Attribute Editor template in scripts/. Maya adds
# those folders of a module to its paths by itself.
install(TARGETS sorvane_maya_plugin LIBRARY DESTINATION plug-ins COMPONENT maya)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/AEsorvaneTemplate.mel DESTINATION scripts COMPONENT maya)
# The .mod names the module's folder, known only once --prefix is.
install(CODE "
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(SORVANE_MODULE_ROOT \"\${CMAKE_INSTALL_PREFIX}\")
  message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/sorvane.mod\")
  configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/sorvane.mod.in\"
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/sorvane.mod\" @ONLY)
" COMPONENT maya)
