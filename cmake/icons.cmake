# The program's icon, drawn by tools/icon_builder at build time and bound into the resources.
game_add_tool(icon_builder tools/icon_builder/icon_builder.cpp tools/icon_builder/icon_picture.cpp)

set(GAME_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(GAME_ICON_FILES ${GAME_GENERATED_DIR}/game.ico)
game_tool_command(icon_builder_command icon_builder)
add_custom_command(OUTPUT ${GAME_ICON_FILES}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${GAME_GENERATED_DIR}
    COMMAND ${icon_builder_command} ${GAME_ICON_FILES}
    DEPENDS icon_builder
    COMMENT "Drawing the program's icon"
    VERBATIM)
add_custom_target(game_icon DEPENDS ${GAME_ICON_FILES})
