# 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64); tests run
# under wine64 (Debian's wine64).
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
set(SORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
# wine64's loader; Debian keeps it out of PATH, behind the wine script.
find_program(SORVANE_WINE NAMES wine64 PATHS /usr/lib/wine /usr/lib/wine64 NO_CACHE)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
