# What the two MinGW-w64 toolchain files share. The including file sets first:
#   TOOLCHAIN_PREFIX        the cross compiler's triplet (i686-w64-mingw32, x86_64-w64-mingw32)
#   CMAKE_SYSTEM_PROCESSOR  x86 or AMD64
#   TOOLCHAIN_WINE_LOADERS  the Wine loader names to try, best first
set(CMAKE_SYSTEM_NAME Windows)

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

# No MinGW runtime DLLs (libgcc_s_*.dll, libstdc++-6.dll, libwinpthread-1.dll) at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Lets try_run / ctest / gtest_discover_tests run the .exe files through Wine:
# the target's own loader in /usr/lib/wine first, then whatever is on PATH.
list(GET TOOLCHAIN_WINE_LOADERS 0 _tarnwell_wine_loader)
find_program(WINE_EXECUTABLE NAMES ${_tarnwell_wine_loader} PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT WINE_EXECUTABLE)
  find_program(WINE_EXECUTABLE NAMES ${TOOLCHAIN_WINE_LOADERS})
endif()
if(WINE_EXECUTABLE)
  # Through a wrapper that repeats a run only when Wine itself spoiled it.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${WINE_EXECUTABLE})
endif()
