# Writes the definition of gw::VersionText() into OUTPUT, leaving the file untouched when its text
# would not change.   cmake -DSOURCE_DIR=... -DRELEASE=1.2.3 -DOUTPUT=... -P write_version.cmake
cmake_minimum_required(VERSION 3.25)
set(text "${RELEASE}")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} describe --tags --always --dirty
                    OUTPUT_VARIABLE described OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE status ERROR_QUIET)
    if(status EQUAL 0 AND described)
        set(text "${RELEASE} (git ${described})")
    endif()
endif()
set(content "// Written by write_version.cmake at build time.\n#include \"version.h\"\n\n"
            "const char* gw::VersionText() {\n    return \"${text}\";\n}\n")
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} old)
    if(old STREQUAL content)
        return()
    endif()
endif()
file(WRITE ${OUTPUT} "${content}")
