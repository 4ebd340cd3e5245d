# Direct3D 9 and D3DX 9: `game_direct3d`. MinGW-w64 ships both; with Visual Studio, D3DX 9 comes
# from the DirectX SDK (June 2010) or its NuGet package, named through GAME_D3DX_INCLUDE_DIR and
# GAME_D3DX_LIBRARY_DIR.
set(GAME_D3DX_INCLUDE_DIR "" CACHE PATH "Folder of d3dx9.h, when the compiler does not provide it")
set(GAME_D3DX_LIBRARY_DIR "" CACHE PATH "Folder of d3dx9.lib, when the compiler does not provide it")

add_library(game_direct3d INTERFACE)
if(GAME_D3DX_INCLUDE_DIR)
    target_include_directories(game_direct3d SYSTEM INTERFACE ${GAME_D3DX_INCLUDE_DIR})
endif()
if(GAME_D3DX_LIBRARY_DIR)
    target_link_directories(game_direct3d INTERFACE ${GAME_D3DX_LIBRARY_DIR})
endif()
if(MINGW)
    target_link_libraries(game_direct3d INTERFACE d3d9 d3dx9_43)
else()
    target_link_libraries(game_direct3d INTERFACE d3d9 d3dx9)
endif()
