# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (posix thread model, so std::thread
# and std::mutex work). Used on its own to build Qt for Windows, and chain-loaded by that Qt's
# qt.toolchain.cmake to build the project:
#   cmake -DCMAKE_TOOLCHAIN_FILE=<kit>/lib/cmake/Qt6/qt.toolchain.cmake
#         -DQT_CHAINLOAD_TOOLCHAIN_FILE=<this file> ...
# scripts/windows does both.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUARLINK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUARLINK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUARLINK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUARLINK_MINGW_TRIPLET}-windres)

# Headers and libraries come from the MinGW sysroot (and the Qt kit, which qt.toolchain.cmake
# adds); programs such as moc and uic are the host's.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QUARLINK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
