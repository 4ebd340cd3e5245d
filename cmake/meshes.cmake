# The two mesh files, written by tools/mesh_builder from their readable sources in data/meshes/.
# The parsing and encoding are a library of their own, so that the unit tests check them too.
add_library(game_mesh_source STATIC tools/mesh_builder/mesh_source.cpp)
target_include_directories(game_mesh_source PUBLIC ${CMAKE_SOURCE_DIR})
game_strict_warnings(game_mesh_source)

game_add_tool(mesh_builder tools/mesh_builder/main.cpp)
target_link_libraries(mesh_builder PRIVATE game_mesh_source)

game_tool_command(mesh_builder_command mesh_builder)
foreach(mesh cube plane)
    set(mesh_source ${CMAKE_SOURCE_DIR}/data/meshes/${mesh}.mesh.txt)
    set(mesh_file ${GAME_DATA_DIR}/${mesh}.mesh.bin)
    add_custom_command(OUTPUT ${mesh_file}
        COMMAND ${mesh_builder_command} ${mesh_source} ${mesh_file}
        DEPENDS mesh_builder ${mesh_source}
        COMMENT "Building the mesh ${mesh}.mesh.bin"
        VERBATIM)
    set(GAME_DATA_FILES ${GAME_DATA_FILES} ${mesh_file})
endforeach()
