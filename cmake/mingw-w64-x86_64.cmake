# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (the posix threads variant,
# package g++-mingw-w64-x86-64-posix): std::thread and std::mutex need it.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZARNIK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZARNIK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZARNIK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZARNIK_MINGW_TRIPLET}-windres)

# Qt and libgettextpo for Windows, as scripts/windows-deps.sh builds them (a list of prefixes).
set(ZARNIK_WINDOWS_DEPS "" CACHE STRING "Prefixes of the libraries built for Windows")
set(CMAKE_FIND_ROOT_PATH /usr/${ZARNIK_MINGW_TRIPLET} ${ZARNIK_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in (libgcc, libstdc++, winpthread): the programs need no DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the programs under Wine (add_test with a target as its command uses this).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
