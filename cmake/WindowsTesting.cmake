# Tests of the Windows cross build. GoogleTest is compiled for the target from the sources that
# Debian's googletest package ships; the test programs run under Wine in a prefix of the build
# folder's own, so nothing outside the build folder is touched.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

find_program(GW_WINE wine REQUIRED)
find_program(GW_PYTHON3 python3 REQUIRED)
set(GW_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(GW_WINE_RUN ${CMAKE_SOURCE_DIR}/editor/tests/win32/wine_run.sh)

# Creating a Wine prefix takes a while: it happens once per build folder, as a fixture that every
# test under Wine requires. Tests under Wine take turns, since they share the prefix's server.
add_test(NAME win32_wine_prefix COMMAND ${GW_WINE_RUN} ${GW_WINEPREFIX} --init)
set_tests_properties(win32_wine_prefix PROPERTIES
    FIXTURES_SETUP wine TIMEOUT 300 RESOURCE_LOCK wineprefix)

# gw_add_wine_test(NAME COMMAND...): a test that runs under Wine in the build folder's prefix.
function(gw_add_wine_test name)
    add_test(NAME ${name} COMMAND ${ARGN})
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix)
endfunction()
