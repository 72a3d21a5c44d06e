# Fails when clang-format would change any of our C and C++ sources, naming what it would change.
# Generated data lives in folders whose own .clang-format turns formatting off.
#   cmake -DCLANG_FORMAT=clang-format -DSOURCE_DIR=... -P CheckFormat.cmake
if(NOT CLANG_FORMAT)
    message(FATAL_ERROR "clang-format is not installed; scripts/deps.sh test installs it")
endif()
set(patterns "")
foreach(folder editor tools bench arm9 version fuzz)
    foreach(extension c cpp h)
        list(APPEND patterns ${SOURCE_DIR}/${folder}/*.${extension})
    endforeach()
endforeach()
file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE ${SOURCE_DIR} ${patterns})
list(SORT sources)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "clang-format would change the files above; run clang-format -i on them")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources are formatted")
