# What a player gets: game.exe with data/ beside it, a text on how to start it and what Windows needs,
# and the licence notice of Lua, which its licence asks to ship with the program. `cmake --install`
# puts them in a folder; CPack's ZIP generator (scripts/package) puts them in one zip.
set(GAME_PACKAGE_DIR ${CMAKE_BINARY_DIR}/generated/package)

# Players on Windows open text files in Notepad: both are written with CR LF line ends.
configure_file(${CMAKE_SOURCE_DIR}/data/package/README.txt ${GAME_PACKAGE_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)

# Lua's own notice, taken from the lua.h that the program is built with.
file(READ ${GAME_LUA_HEADER_DIR}/lua.h lua_header)
string(REGEX MATCH "\\* Copyright \\(C\\)[^\n]*\n(\\*[^\n]*\n)*" lua_notice "${lua_header}")
if(NOT lua_notice)
    message(FATAL_ERROR "No licence notice in ${GAME_LUA_HEADER_DIR}/lua.h")
endif()
string(REGEX REPLACE "\n\\*\\*+/?\n$" "" lua_notice "${lua_notice}")
string(REGEX REPLACE "(^|\n)\\* ?" "\\1" lua_notice "${lua_notice}")
set(GAME_LUA_NOTICE "${lua_notice}")
file(READ ${CMAKE_SOURCE_DIR}/data/package/LUA-LICENSE.txt.in lua_licence)
string(CONFIGURE "${lua_licence}" lua_licence @ONLY)
string(REPLACE "\n" "\r\n" lua_licence "${lua_licence}")
file(WRITE ${GAME_PACKAGE_DIR}/LUA-LICENSE.txt "${lua_licence}")

install(TARGETS game RUNTIME DESTINATION .)
install(FILES ${GAME_DATA_FILES} DESTINATION data)
install(FILES ${GAME_PACKAGE_DIR}/README.txt ${GAME_PACKAGE_DIR}/LUA-LICENSE.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "KRV4417")
set(CPACK_PACKAGE_VENDOR "Brek")
set(CPACK_PACKAGE_FILE_NAME "krv4417-game-${PROJECT_VERSION}-win64")
set(CPACK_STRIP_FILES ON)
include(CPack)
