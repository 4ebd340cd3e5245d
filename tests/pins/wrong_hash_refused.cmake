# Configures the scratch project beside this script for Lua and then for GoogleTest, each time with
# the source's URL pointed at a local archive that is not the pinned one: CMake must stop both
# configures on the archive's SHA-256.
#   cmake -DGENERATOR=<generator> -DSCRATCH=<folder> -P wrong_hash_refused.cmake
file(REMOVE_RECURSE ${SCRATCH})
file(WRITE ${SCRATCH}/content/README "Not the pinned sources.\n")
set(archive ${SCRATCH}/not-pinned.tar.gz)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar czf ${archive} content
    WORKING_DIRECTORY ${SCRATCH} COMMAND_ERROR_IS_FATAL ANY)

foreach(source IN ITEMS lua googletest)
    string(TOUPPER ${source} upper_case)
    execute_process(COMMAND ${CMAKE_COMMAND} -G ${GENERATOR} -S ${CMAKE_CURRENT_LIST_DIR} -B ${SCRATCH}/${source}
            -DGAME_PINNED_SOURCE=${source} -DGAME_${upper_case}_URL=file://${archive}
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(status EQUAL 0 OR NOT output MATCHES "SHA256 hash of.*does not match expected value")
        message(FATAL_ERROR "${source}: ${archive} was not refused for its hash:\n${output}")
    endif()
    message(STATUS "${source}: ${archive} refused for its hash")
endforeach()
