# Cross-building Quillon for 64-bit Windows with mingw-w64's posix-threads
# compilers, against the static Qt of scripts/build-qt-windows.sh (give its
# folder as QUILLON_QT_WINDOWS). Programs are linked static, libgcc,
# libstdc++ and winpthread included, so that each is one file importing
# system DLLs only. Test programs run under Wine, each in a prefix of its own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(quillon_triplet x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${quillon_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${quillon_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${quillon_triplet}-windres)

# Forwarded to the compiler checks' own projects.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLON_QT_WINDOWS)
set(CMAKE_FIND_ROOT_PATH /usr/${quillon_triplet} ${QUILLON_QT_WINDOWS})
set(CMAKE_PREFIX_PATH ${QUILLON_QT_WINDOWS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -s)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-test.sh)
