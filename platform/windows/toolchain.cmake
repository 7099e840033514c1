# Cross-compiles for 64-bit Windows with Debian's mingw-w64, both the
# libraries scripts/windows.sh builds and the demo itself. Everything is
# linked statically, so the program needs no DLL beyond those of Windows.
#
# The libraries are looked for in WINDOWS_LIBS_PREFIX (a cache variable, or
# the environment variable of that name; by default build-windows/libs/prefix
# of this tree) and in the compiler's own sysroot, never among the Linux
# libraries of this machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(WINDOWS_TRIPLET x86_64-w64-mingw32)
set(WINDOWS_SYSROOT /usr/${WINDOWS_TRIPLET})

# The -posix compilers: with the default win32 thread model std::thread and
# std::mutex do not exist.
set(CMAKE_C_COMPILER ${WINDOWS_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WINDOWS_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${WINDOWS_TRIPLET}-windres)
# Programs carry the C and C++ runtimes and winpthread inside rather than
# needing MinGW's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

if(NOT WINDOWS_LIBS_PREFIX)
    if(DEFINED ENV{WINDOWS_LIBS_PREFIX})
        set(WINDOWS_LIBS_PREFIX "$ENV{WINDOWS_LIBS_PREFIX}")
    else()
        get_filename_component(WINDOWS_LIBS_PREFIX
            "${CMAKE_CURRENT_LIST_DIR}/../../build-windows/libs/prefix" ABSOLUTE)
    endif()
endif()
set(WINDOWS_LIBS_PREFIX "${WINDOWS_LIBS_PREFIX}" CACHE PATH
    "Where the static Windows libraries are installed")
# try_compile projects read this file again without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES WINDOWS_LIBS_PREFIX)

# Programs (nasm, pkg-config) run here; headers, libraries and packages'
# CMake files come only from the prefix and the sysroot.
set(CMAKE_FIND_ROOT_PATH "${WINDOWS_LIBS_PREFIX}" "${WINDOWS_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the prefix's .pc files, which hold absolute paths.
set(ENV{PKG_CONFIG_LIBDIR} "${WINDOWS_LIBS_PREFIX}/lib/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})
unset(ENV{PKG_CONFIG_SYSROOT_DIR})
