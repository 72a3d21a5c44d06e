# Our own code is built with a strict set of warnings (never third-party headers, which come in as
# system includes). They stop the build only where GW_WERROR is on: the presets and the test
# command turn it on, while anyone building from source another way, with another compiler
# release, still gets a program.
# Only the C and C++ compilers get them: a target may also hold a resource script.
option(GW_WERROR "Treat warnings on the project's own code as errors" OFF)

function(gw_strict_warnings target)
    target_compile_options(${target} PRIVATE
        $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic -Wshadow $<$<BOOL:${GW_WERROR}>:-Werror>>)
endfunction()
