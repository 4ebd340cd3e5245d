# Lua 5.2, linked as a static library `game_lua`. Either built here from its sources
# (GAME_LUA_SOURCE_DIR: the folder that holds lapi.c, lua.h, lua.hpp ...), or taken prebuilt
# (GAME_LUA_INCLUDE_DIR and GAME_LUA_LIBRARY).
set(GAME_LUA_SOURCE_DIR "" CACHE PATH "Folder of the Lua 5.2 C sources (src/ of the Lua distribution)")
set(GAME_LUA_INCLUDE_DIR "" CACHE PATH "Folder of a prebuilt Lua 5.2's headers")
set(GAME_LUA_LIBRARY "" CACHE FILEPATH "A prebuilt Lua 5.2 library for the target")

if(GAME_LUA_SOURCE_DIR)
    file(GLOB lua_sources ${GAME_LUA_SOURCE_DIR}/*.c)
    list(REMOVE_ITEM lua_sources ${GAME_LUA_SOURCE_DIR}/lua.c ${GAME_LUA_SOURCE_DIR}/luac.c)
    if(NOT lua_sources)
        message(FATAL_ERROR "No Lua sources in GAME_LUA_SOURCE_DIR=${GAME_LUA_SOURCE_DIR}")
    endif()
    add_library(game_lua STATIC ${lua_sources})
    target_include_directories(game_lua SYSTEM PUBLIC ${GAME_LUA_SOURCE_DIR})
    target_compile_definitions(game_lua PRIVATE LUA_COMPAT_ALL)
elseif(GAME_LUA_INCLUDE_DIR AND GAME_LUA_LIBRARY)
    add_library(game_lua STATIC IMPORTED)
    set_target_properties(game_lua PROPERTIES IMPORTED_LOCATION ${GAME_LUA_LIBRARY})
    target_include_directories(game_lua SYSTEM INTERFACE ${GAME_LUA_INCLUDE_DIR})
else()
    message(FATAL_ERROR "Lua 5.2 is needed: set GAME_LUA_SOURCE_DIR, or GAME_LUA_INCLUDE_DIR and GAME_LUA_LIBRARY")
endif()
