# Direct3D 9 and D3DX 9.
#   game_direct3d        the headers and d3d9.dll, which every Windows since Vista has;
#   game_d3dx            d3dx9_43.dll imported as usual, for the tests, the benchmark and the tools;
#   game_d3dx_delayed    d3dx9_43.dll imported with delayed loading, for game.exe: stock Windows has no
#                        d3dx9_43.dll until the DirectX End-User Runtime is installed, and a program
#                        that imports it as usual is refused by the loader before it can say so.
# MinGW-w64 ships the headers and import libraries of both, and Wine the DLLs. Built on Windows,
# D3DX 9 comes from Microsoft's package (cmake/d3dx_package.cmake): its DLLs, copied beside the
# programs, and with Visual Studio also its headers and import library.
if(CMAKE_HOST_WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/d3dx_package.cmake)
endif()

add_library(game_direct3d INTERFACE)
if(MSVC)
    target_include_directories(game_direct3d SYSTEM INTERFACE ${GAME_D3DX_PACKAGE_INCLUDE_DIR})
endif()
target_link_libraries(game_direct3d INTERFACE d3d9)

add_library(game_d3dx INTERFACE)
add_library(game_d3dx_delayed INTERFACE)
if(MINGW)
    target_link_libraries(game_d3dx INTERFACE d3dx9_43)
    # An import library whose entries load the DLL at their first call (the MinGW runtime brings the
    # loader, __delayLoadHelper2), made from the list of functions that the program calls.
    if(NOT CMAKE_DLLTOOL)
        find_program(CMAKE_DLLTOOL NAMES dlltool REQUIRED)
    endif()
    set(generated ${CMAKE_BINARY_DIR}/generated)
    set(delayed_library ${generated}/libd3dx9_43_delayed.a)
    set(definitions ${CMAKE_SOURCE_DIR}/platform/d3dx9_43.def)
    file(MAKE_DIRECTORY ${generated})
    # Made in its own folder under a plain name, which dlltool writes into the library's symbols.
    add_custom_command(OUTPUT ${delayed_library}
        COMMAND ${CMAKE_DLLTOOL} --input-def ${definitions} --dllname d3dx9_43.dll
                --output-delaylib libd3dx9_43_delayed.a
        WORKING_DIRECTORY ${generated}
        DEPENDS ${definitions}
        COMMENT "Making the delay-loading import library of d3dx9_43.dll"
        VERBATIM)
    add_custom_target(game_d3dx_delayed_library DEPENDS ${delayed_library})
    add_dependencies(game_d3dx_delayed game_d3dx_delayed_library)
    target_link_libraries(game_d3dx_delayed INTERFACE ${delayed_library})
else()
    target_link_libraries(game_d3dx INTERFACE ${GAME_D3DX_PACKAGE_IMPORT_LIBRARY})
    target_link_libraries(game_d3dx_delayed INTERFACE ${GAME_D3DX_PACKAGE_IMPORT_LIBRARY} delayimp)
    target_link_options(game_d3dx_delayed INTERFACE /DELAYLOAD:d3dx9_43.dll)
endif()
if(CMAKE_HOST_WIN32)
    add_dependencies(game_d3dx game_d3dx_runtime)
    add_dependencies(game_d3dx_delayed game_d3dx_runtime)
endif()
