# Brings the host build's romimage up to date for the emulator test, configuring the host build
# folder with the default preset when it has never been configured.
#   cmake -DSOURCE_DIR=... -DBUILD_DIR=... -P host_romimage.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT EXISTS ${BUILD_DIR}/CMakeCache.txt)
    if(NOT BUILD_DIR STREQUAL "${SOURCE_DIR}/build/default")
        message(FATAL_ERROR "${BUILD_DIR} is no configured build folder; configure it, or run "
                            "first: cmake --preset default && cmake --build --preset default")
    endif()
    message(STATUS "Configuring the host build (cmake --preset default) for romimage")
    execute_process(COMMAND ${CMAKE_COMMAND} --preset default
                    WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "cmake --preset default failed; run it by hand to see why")
    endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target romimage
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "building romimage in ${BUILD_DIR} failed; run first: "
                        "cmake --build --preset default --target romimage")
endif()
