# CMake toolchain file: cross-compile 64-bit Windows (x86_64) with MinGW-w64 on Debian 12.
# Use: cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
# `wine` on PATH starts the 32-bit loader where there is one; 64-bit programs
# need the 64-bit loader (with WINEARCH=win64 and a prefix of its own).
set(TOOLCHAIN_WINE_LOADERS wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
