# 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686); tests run
# under wine32 where this machine has it and can execute i386 code, and are
# reported skipped otherwise.
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake
set(SORVANE_MINGW_TRIPLET i686-w64-mingw32)
# wine32's loader (Debian's wine32:i386); wine64 cannot run 32-bit programs
# without it.
find_program(SORVANE_WINE NAMES wine PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine NO_DEFAULT_PATH NO_CACHE)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
