# Warnings are errors on our own code (never on third-party headers, which come in as system includes).
function(gw_strict_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
endfunction()
