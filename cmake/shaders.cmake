# The material and its shaders: tools/shader_compiler compiles data/shaders/*.hlsl into the byte
# code files that data/material.material names, and the material file is shipped beside them.
# Reading the initial values of constants and writing them into the constant table are a library of
# their own, so that the unit tests check them too.
add_library(game_shader_defaults STATIC
    tools/shader_compiler/uniform_initialisers.cpp
    tools/shader_compiler/constant_table_defaults.cpp)
target_include_directories(game_shader_defaults PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(game_shader_defaults PUBLIC game_direct3d)
game_strict_warnings(game_shader_defaults)

game_add_tool(shader_compiler tools/shader_compiler/shader_compiler.cpp)
target_link_libraries(shader_compiler PRIVATE game_shader_defaults game_d3dx)
game_tool_command(shader_compiler_command shader_compiler)

foreach(shader_and_profile IN ITEMS vertex:vs_3_0 fragment:ps_3_0)
    string(REPLACE ":" ";" shader_and_profile ${shader_and_profile})
    list(GET shader_and_profile 0 shader)
    list(GET shader_and_profile 1 profile)
    set(source ${CMAKE_SOURCE_DIR}/data/shaders/${shader}.hlsl)
    set(output ${GAME_DATA_DIR}/${shader}.shader)
    add_custom_command(OUTPUT ${output}
        COMMAND ${shader_compiler_command} ${profile} ${source} ${output}
        DEPENDS shader_compiler ${source}
        COMMENT "Compiling the ${shader} shader"
        VERBATIM)
    set(GAME_DATA_FILES ${GAME_DATA_FILES} ${output})
endforeach()

add_custom_command(OUTPUT ${GAME_DATA_DIR}/material.material
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/material.material ${GAME_DATA_DIR}/material.material
    DEPENDS ${CMAKE_SOURCE_DIR}/data/material.material
    COMMENT "Copying the material file"
    VERBATIM)
set(GAME_DATA_FILES ${GAME_DATA_FILES} ${GAME_DATA_DIR}/material.material)
