# The asset builders in tools/ are programs for the target too: at build time they run under the
# cross-compiling emulator (Wine here), or directly when building on Windows.
# Every tool reads and writes its files through tools/whole_file.
function(game_add_tool name)
    add_executable(${name} ${ARGN} ${CMAKE_SOURCE_DIR}/tools/whole_file.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    game_strict_warnings(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY $<1:${GAME_TOOLS_DIR}>)
endfunction()

# The command line that runs a tool target at build time.
function(game_tool_command out_variable tool)
    set(${out_variable} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${tool}> PARENT_SCOPE)
endfunction()
