# Cross compiling for 64-bit Windows with Debian's mingw-w64 (posix thread
# model, so std::thread works), running the results under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GRIDTEXT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GRIDTEXT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GRIDTEXT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${GRIDTEXT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${GRIDTEXT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 12 reports a false -Wrestrict overlap inside libstdc++'s string
# concatenation at -O3 (GCC bug 105329); it is not a fault in our code.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# Self-contained executables and DLLs: no libgcc, libstdc++ or winpthread
# DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian keeps the 64-bit loader outside PATH; elsewhere it is wine64 or wine.
find_program(GRIDTEXT_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(GRIDTEXT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GRIDTEXT_WINE})
endif()
