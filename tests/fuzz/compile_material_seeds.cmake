# Compiles every material seed with luac, plainly and stripped of debug information, into the
# precompiled target's seeds.
#   cmake -DSEEDS=FOLDER -DLUAC=PROGRAM -P compile_material_seeds.cmake
file(GLOB sources ${SEEDS}/material/*)
file(MAKE_DIRECTORY ${SEEDS}/precompiled_material)
foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME)
    set(compiled ${SEEDS}/precompiled_material/${name})
    execute_process(COMMAND ${LUAC} -o ${compiled}.luac ${source} COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${LUAC} -s -o ${compiled}.stripped.luac ${source} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
