# The command-line tools and the benchmarks are built on the editor's core library alone; the
# tests' headless window services must not be part of them.
#
# Included: gw_test_links_only_core(target) adds a test that reads the target's symbols with nm.
# Run as a script (cmake -DNM=nm -DPROGRAM=path -P LinksOnlyCore.cmake): that test.
if(CMAKE_SCRIPT_MODE_FILE)
    execute_process(COMMAND ${NM} -C ${PROGRAM} OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${NM} cannot read ${PROGRAM}")
    endif()
    string(REGEX MATCHALL "[^\n]*HeadlessServices[^\n]*" found "${symbols}")
    if(found)
        list(JOIN found "\n" shown)
        message(FATAL_ERROR "${PROGRAM} holds the tests' headless window services:\n${shown}")
    endif()
    return()
endif()

function(gw_test_links_only_core target)
    add_test(NAME ${target}_links_only_the_core
             COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DPROGRAM=$<TARGET_FILE:${target}>
                     -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
endfunction()
