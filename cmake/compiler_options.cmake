# Warnings are errors in the program's own code. Floating-point expressions are evaluated exactly as
# written (no fused multiply-add), so the movement arithmetic is the same on every compiler.
function(game_strict_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:/W4 /WX /fp:precise>)
    else()
        target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow
                               -Wconversion -Wno-sign-conversion -Werror -ffp-contract=off>)
    endif()
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
endfunction()

# MinGW executables carry their C and C++ runtimes, so they run under Wine and on Windows alone.
if(MINGW)
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()
