# Lua 5.2, linked as a static library `game_lua`, built from the src/ folder of the Lua 5.2.4
# distribution that cmake/third_party.cmake pins. Two older ways remain: GAME_LUA_SOURCE_DIR names a
# folder of Lua's C sources (the folder that holds lapi.c, lua.h, lua.hpp ...), and
# GAME_LUA_INCLUDE_DIR with GAME_LUA_LIBRARY a prebuilt Lua. Lua's sources are built with the mends of
# lua_mends.cmake; a prebuilt Lua has none of them.
set(GAME_LUA_SOURCE_DIR "" CACHE PATH "Folder of the Lua 5.2 C sources, instead of the pinned distribution's src/")
set(GAME_LUA_INCLUDE_DIR "" CACHE PATH "Folder of a prebuilt Lua 5.2's headers")
set(GAME_LUA_LIBRARY "" CACHE FILEPATH "A prebuilt Lua 5.2 library for the target")

if(GAME_LUA_SOURCE_DIR)
    set(lua_source_folder ${GAME_LUA_SOURCE_DIR})
elseif(NOT (GAME_LUA_INCLUDE_DIR AND GAME_LUA_LIBRARY))
    include(${CMAKE_CURRENT_LIST_DIR}/third_party.cmake)
    FetchContent_MakeAvailable(lua)
    set(lua_source_folder ${lua_SOURCE_DIR}/src)
endif()

if(lua_source_folder)
    file(GLOB lua_sources ${lua_source_folder}/*.c)
    list(REMOVE_ITEM lua_sources ${lua_source_folder}/lua.c ${lua_source_folder}/luac.c)
    if(NOT lua_sources)
        message(FATAL_ERROR "No Lua sources in ${lua_source_folder}")
    endif()
    include(${CMAKE_CURRENT_LIST_DIR}/lua_mends.cmake)
    add_library(game_lua STATIC ${lua_sources})
    target_include_directories(game_lua SYSTEM PUBLIC ${lua_source_folder})
    set(GAME_LUA_HEADER_DIR ${lua_source_folder})
    target_compile_definitions(game_lua PRIVATE LUA_COMPAT_ALL)
else()
    add_library(game_lua STATIC IMPORTED)
    set_target_properties(game_lua PROPERTIES IMPORTED_LOCATION ${GAME_LUA_LIBRARY})
    target_include_directories(game_lua SYSTEM INTERFACE ${GAME_LUA_INCLUDE_DIR})
    set(GAME_LUA_HEADER_DIR ${GAME_LUA_INCLUDE_DIR})
endif()
