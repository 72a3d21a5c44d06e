# Warnings are errors on our own code (never on third-party headers, which come in as system includes).
# Only the C and C++ compilers get them: a target may also hold a resource script.
function(gw_strict_warnings target)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic -Wshadow -Werror>)
endfunction()
