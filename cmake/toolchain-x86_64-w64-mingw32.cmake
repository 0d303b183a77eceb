# CMake toolchain file: cross-compile 64-bit Windows (x86_64) with MinGW-w64 on Debian 12.
# Use: cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)

# Debian ships two thread models: -win32 (default alternative; GCC 12 has no std::mutex/std::thread with it,
# so GoogleTest 1.12 does not compile) and -posix (std::thread/mutex via winpthreads, linked statically below).
set(MINGW_THREAD_MODEL "posix" CACHE STRING "posix (default) or win32")
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-${MINGW_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${MINGW_THREAD_MODEL})
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No MinGW runtime DLLs (libgcc_s_seh-1.dll, libstdc++-6.dll, libwinpthread-1.dll) at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Lets try_run / ctest / gtest_discover_tests run the .exe files through Wine.
# `wine` on PATH starts the 32-bit loader where there is one; 64-bit programs
# need the 64-bit loader (with WINEARCH=win64 and a prefix of its own).
find_program(WINE_EXECUTABLE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT WINE_EXECUTABLE)
  find_program(WINE_EXECUTABLE NAMES wine64 wine)
endif()
if(WINE_EXECUTABLE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
endif()
