# Faults of Lua 5.2.4 that a material reaches, mended in copies of Lua's sources in the build
# folder; the sources stay as they were fetched or unpacked, and a source that is not the text
# mended here stops the configure.
#  - lparser.c: a generic `for` of four or more expressions left the values past the third on the
#    register stack, so that a `local function` in its body took a register above its own variable
#    and wrote that variable's debug information past the end of the array (Lua 5.3.3 mends it the
#    same way: the values past the variables go where the expressions are adjusted to them).
#  - lobject.c: decimal numerals go through game_str2number (assets/lua/long_numerals.cpp), which
#    bounds the time that strtod takes for a long one; and the exponent of a hexadecimal numeral is
#    held at a value past any double's instead of overflowing an int (0x1p4294967296 read as 1).
# ltable.c hashes a number by adding the two halves of its bits as ints (luai_hashnum in llimits.h),
# counting on the wrap-around that the compilers it is built with give; -fwrapv makes it defined.
# Expects lua_source_folder and lua_sources; sets lua_sources to the mended list and makes the
# object library game_lua_mends, whose objects every Lua library of the build takes.
set(lua_mended_folder ${CMAKE_BINARY_DIR}/lua_mended)

# Replaces old by new in the mended copy of Lua's source file.
function(game_mend_lua_source file old new)
    set(mended ${lua_mended_folder}/${file})
    if(NOT DEFINED game_lua_mending_${file})
        file(READ ${lua_source_folder}/${file} text)
        set(game_lua_mending_${file} TRUE PARENT_SCOPE)
    else()
        file(READ ${mended}.new text)
    endif()
    string(FIND "${text}" "${old}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${lua_source_folder}/${file} is not the Lua 5.2.4 source that the build mends: "
                            "it lacks\n${old}")
    endif()
    string(REPLACE "${old}" "${new}" text "${text}")
    file(WRITE ${mended}.new "${text}")
endfunction()

game_mend_lua_source(lparser.c [=[
      luaK_nil(fs, reg, extra);
    }
  }
}
]=] [=[
      luaK_nil(fs, reg, extra);
    }
  }
  if (nexps > nvars)
    ls->fs->freereg -= nexps - nvars;  /* remove extra values */
}
]=])
game_mend_lua_source(lparser.c [=[
    if (nexps != nvars) {
      adjust_assign(ls, nvars, nexps, &e);
      if (nexps > nvars)
        ls->fs->freereg -= nexps - nvars;  /* remove extra values */
    }
]=] [=[
    if (nexps != nvars) {
      adjust_assign(ls, nvars, nexps, &e);
    }
]=])
game_mend_lua_source(lobject.c [=[
int luaO_str2d (const char *s, size_t len, lua_Number *result) {
]=] [=[
double game_str2number (const char *s, char **endptr);

int luaO_str2d (const char *s, size_t len, lua_Number *result) {
]=])
game_mend_lua_source(lobject.c [=[
    *result = lua_str2number(s, &endptr);
]=] [=[
    *result = game_str2number(s, &endptr);
]=])

game_mend_lua_source(lobject.c [=[
      exp1 = exp1 * 10 + *(s++) - '0';
]=] [=[
      exp1 = exp1 < 100000000 ? exp1 * 10 + *(s++) - '0' : (s++, exp1);  /* held past any double's */
]=])

foreach(file lparser.c lobject.c)
    # Only a changed copy is written again, so that a configure rebuilds nothing by itself.
    configure_file(${lua_mended_folder}/${file}.new ${lua_mended_folder}/${file} COPYONLY)
    list(REMOVE_ITEM lua_sources ${lua_source_folder}/${file})
    list(APPEND lua_sources ${lua_mended_folder}/${file})
endforeach()

add_library(game_lua_mends OBJECT ${CMAKE_CURRENT_LIST_DIR}/../assets/lua/long_numerals.cpp)
target_include_directories(game_lua_mends PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
game_strict_warnings(game_lua_mends)
list(APPEND lua_sources $<TARGET_OBJECTS:game_lua_mends>)
if(NOT MSVC)
    set_source_files_properties(${lua_source_folder}/ltable.c PROPERTIES COMPILE_OPTIONS -fwrapv)
endif()
