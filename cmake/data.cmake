# The shipped data in build/bin/data, made from the sources in data/ by the tools in tools/.
# Each part below adds its outputs to GAME_DATA_FILES.
set(GAME_DATA_FILES)
include(cmake/meshes.cmake)
include(cmake/shaders.cmake)

add_custom_target(game_data ALL DEPENDS ${GAME_DATA_FILES})
