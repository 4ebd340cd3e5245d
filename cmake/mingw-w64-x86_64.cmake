# Cross-compiles the Windows x64 program on Linux with MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(GAME_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${GAME_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GAME_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${GAME_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${GAME_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Windows executables built here run under Wine: tests, and the tools that make the data at build time.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
