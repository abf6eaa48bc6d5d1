# Builds Windows programs (x86_64) with Debian's mingw-w64 cross compiler, posix thread model.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: no compiler runtime DLLs to ship beside it or to find under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests (and their discovery) run under Wine when it is there; 32-bit Wine is not.
find_program(TEVLO_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TEVLO_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TEVLO_WINE64})
endif()
