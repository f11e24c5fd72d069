# Cross-build for 64-bit Windows with MinGW-w64 (posix threading flavour). The runtime is linked
# statically, so Clavitap.exe needs no DLL beyond the system's own. Executables built here run
# under Wine through wine-run.sh, which is how ctest runs the Windows tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CLAVITAP_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CLAVITAP_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CLAVITAP_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${CLAVITAP_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${CLAVITAP_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${CLAVITAP_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Every Windows program that ctest or a custom command runs goes through Wine, in a private prefix
# kept under this build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wine")
