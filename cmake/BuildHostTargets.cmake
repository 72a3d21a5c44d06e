# Brings targets of the host build up to date for a test of another build (the console's emulator
# test needs romimage, the web page's test gridmap and the event replayer), configuring the host
# build folder with the default preset when it has never been configured.
#   cmake -DSOURCE_DIR=... -DBUILD_DIR=... -DTARGETS=a|b -P BuildHostTargets.cmake
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" targets "${TARGETS}")
string(REPLACE "|" " " shown "${TARGETS}")
if(NOT EXISTS ${BUILD_DIR}/CMakeCache.txt)
    if(NOT BUILD_DIR STREQUAL "${SOURCE_DIR}/build/default")
        message(FATAL_ERROR "${BUILD_DIR} is no configured build folder; configure it, or run "
                            "first: cmake --preset default && cmake --build --preset default")
    endif()
    message(STATUS "Configuring the host build (cmake --preset default) for ${shown}")
    execute_process(COMMAND ${CMAKE_COMMAND} --preset default
                    WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cmake --preset default failed; run it by hand to see why")
    endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${targets}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "building ${shown} in ${BUILD_DIR} failed; run first: "
                        "cmake --build --preset default --target ${shown}")
endif()
