# Cross-building for 64-bit Windows with Debian's mingw-w64 (posix thread model, for std::thread).
# The libraries come from scripts/build-windows-deps.sh: pass its prefix as VELMORA_WINDOWS_DEPS.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)
set(CMAKE_AR ${_mingw}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_mingw}-ranlib CACHE FILEPATH "")

# Try-compiles see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMORA_WINDOWS_DEPS)
if(NOT VELMORA_WINDOWS_DEPS AND DEFINED ENV{VELMORA_WINDOWS_DEPS})
    set(VELMORA_WINDOWS_DEPS $ENV{VELMORA_WINDOWS_DEPS})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
if(VELMORA_WINDOWS_DEPS)
    list(PREPEND CMAKE_FIND_ROOT_PATH ${VELMORA_WINDOWS_DEPS})
    list(APPEND CMAKE_PREFIX_PATH ${VELMORA_WINDOWS_DEPS})
    # pkg-config must see only the Windows libraries, never the build machine's.
    set(ENV{PKG_CONFIG_LIBDIR} ${VELMORA_WINDOWS_DEPS}/lib/pkgconfig)
    set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine, which finds the DLLs through WINEPATH (a path of drive Z:, the root).
find_program(VELMORA_WINE wine)
if(VELMORA_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env "WINEPATH=Z:${VELMORA_WINDOWS_DEPS}/bin"
        WINEDEBUG=-all ${VELMORA_WINE})
endif()
