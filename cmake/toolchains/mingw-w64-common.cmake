# What both mingw-w64 toolchains share. Expects SORVANE_MINGW_TRIPLET and
# SORVANE_WINE (the wine loader for this size, or empty when there is none).
set(CMAKE_SYSTEM_NAME Windows)
if(SORVANE_MINGW_TRIPLET MATCHES "^x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()

# The posix flavour: the hosts and the tests use std::thread and std::mutex,
# which GCC 12's win32 flavour lacks. Nothing in the deliverables needs
# winpthread, and everything is linked statically anyway.
set(CMAKE_C_COMPILER ${SORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SORVANE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread go into each binary, so a DLL needs
# nothing but the C runtime and the system beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test programs run under wine, in a prefix of the build tree's own so that
# nobody's ~/.wine is touched; wine-run.sh says why a test is skipped when
# wine cannot run programs of this size here.
if(NOT SORVANE_WINE)
  set(SORVANE_WINE none)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wine ${SORVANE_WINE})
