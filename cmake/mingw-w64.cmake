# SPDX-License-Identifier: MIT
# Cross-builds the Windows program on Debian: 64-bit MinGW-w64 with POSIX threads (g++-mingw-w64-x86-64-posix),
# against a Windows Qt named in CMAKE_PREFIX_PATH. What the build makes for running (the tests) runs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(quorlen_mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${quorlen_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quorlen_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${quorlen_mingw_triple}-windres)

# Headers, libraries and CMake packages come from the MinGW system root and the Windows Qt only; programs (moc, rcc,
# uic, the host Qt's tools) from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${quorlen_mingw_triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CMake reads this file again for every try-compile, so the search is made once and cached. Debian's "wine" wrapper
# takes the 64-bit loader when there is no 32-bit one.
find_program(QUORLEN_WINE NAMES wine wine64 NO_CMAKE_FIND_ROOT_PATH)
if(QUORLEN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORLEN_WINE})
endif()
