# D3DX 9 from Microsoft's Microsoft.DXSDK.D3DX package (pinned in cmake/third_party.cmake), for
# building on Windows, where neither the compilers nor Windows bring d3dx9_43.dll. The package holds
# the headers in build/native/include and, under build/native/release, an import library and the
# DLLs for each architecture; the x64 files are found by name. Sets GAME_D3DX_PACKAGE_INCLUDE_DIR and
# GAME_D3DX_PACKAGE_IMPORT_LIBRARY, and makes the target game_d3dx_runtime, which copies the DLLs
# beside the programs.
include(${CMAKE_CURRENT_LIST_DIR}/third_party.cmake)
FetchContent_MakeAvailable(d3dx)
set(d3dx_native ${d3dx_SOURCE_DIR}/build/native)

# The x64 files of that name (letter case aside) under build/native/release.
function(game_find_d3dx_x64_files out_variable name)
    file(GLOB_RECURSE files RELATIVE ${d3dx_native}/release ${d3dx_native}/release/*)
    set(found)
    foreach(file IN LISTS files)
        string(TOLOWER ${file} lower_case)
        if(lower_case MATCHES "(^|/)x64/(.+/)?${name}$")
            list(APPEND found ${d3dx_native}/release/${file})
        endif()
    endforeach()
    set(${out_variable} ${found} PARENT_SCOPE)
endfunction()

# The one x64 file of that name; the configure stops when the package holds none or several.
function(game_find_d3dx_x64_file out_variable name)
    game_find_d3dx_x64_files(found ${name})
    list(LENGTH found count)
    if(NOT count EQUAL 1)
        message(FATAL_ERROR "The D3DX package in ${d3dx_SOURCE_DIR} is not laid out as this build expects: "
            "${count} x64 files named ${name} under build/native/release, where one was expected.")
    endif()
    set(${out_variable} ${found} PARENT_SCOPE)
endfunction()

set(GAME_D3DX_PACKAGE_INCLUDE_DIR ${d3dx_native}/include)
if(NOT EXISTS ${GAME_D3DX_PACKAGE_INCLUDE_DIR}/d3dx9.h)
    message(FATAL_ERROR "The D3DX package in ${d3dx_SOURCE_DIR} is not laid out as this build expects: "
        "no d3dx9.h in build/native/include.")
endif()
game_find_d3dx_x64_file(GAME_D3DX_PACKAGE_IMPORT_LIBRARY d3dx9.lib)
game_find_d3dx_x64_file(d3dx_dll d3dx9_43.dll)
# d3dx9_43.dll loads d3dcompiler_43.dll to compile shaders; Windows does not have that one either.
game_find_d3dx_x64_files(d3dx_compiler_dll d3dcompiler_43.dll)

# Windows looks for a DLL in the program's own folder before the system's, so game.exe, the tests
# and the tools that run at build time find these copies and need no DirectX End-User Runtime.
set(d3dx_copies)
set(d3dx_copy_commands)
foreach(dll IN LISTS d3dx_dll d3dx_compiler_dll)
    get_filename_component(dll_name ${dll} NAME)
    foreach(folder IN ITEMS ${GAME_OUTPUT_DIR} ${GAME_TOOLS_DIR})
        list(APPEND d3dx_copies ${folder}/${dll_name})
        list(APPEND d3dx_copy_commands COMMAND ${CMAKE_COMMAND} -E copy ${dll} ${folder}/${dll_name})
    endforeach()
endforeach()
add_custom_command(OUTPUT ${d3dx_copies}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${GAME_OUTPUT_DIR} ${GAME_TOOLS_DIR}
    ${d3dx_copy_commands}
    DEPENDS ${d3dx_dll} ${d3dx_compiler_dll}
    COMMENT "Copying D3DX 9's DLLs beside the programs"
    VERBATIM)
add_custom_target(game_d3dx_runtime DEPENDS ${d3dx_copies})

# The package's licence file, which its manifest names, holds the terms for shipping the DLLs.
file(GLOB d3dx_manifest ${d3dx_SOURCE_DIR}/*.nuspec)
if(d3dx_manifest)
    file(READ ${d3dx_manifest} d3dx_manifest_text)
    if(d3dx_manifest_text MATCHES "<license type=\"file\">([^<]+)</license>")
        message(STATUS "D3DX 9's DLLs may be shipped under the terms in ${d3dx_SOURCE_DIR}/${CMAKE_MATCH_1}")
    endif()
endif()
