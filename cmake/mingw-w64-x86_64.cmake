# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model,
# so std::thread and std::mutex work). Use through scripts/build-windows or
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SWAYMO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SWAYMO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SWAYMO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SWAYMO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SWAYMO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One file is the whole program: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine when ctest starts them.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
