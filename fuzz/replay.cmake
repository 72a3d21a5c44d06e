# Runs every file of a fuzz target's corpus and regression folders through it once; fails on the
# first input that makes it fail.
#   cmake -DPROGRAM=fuzz_NAME -DCORPUS=corpus/NAME -DREGRESSIONS=regressions/NAME -P replay.cmake
file(GLOB_RECURSE corpus LIST_DIRECTORIES false ${CORPUS}/*)
file(GLOB_RECURSE regressions LIST_DIRECTORIES false ${REGRESSIONS}/*)
if(NOT corpus)
    message(FATAL_ERROR "${CORPUS} holds no seed: every target keeps at least one")
endif()
list(FILTER regressions EXCLUDE REGEX "/README[^/]*$")
list(LENGTH corpus seeds)
list(LENGTH regressions kept)
# Given files, libFuzzer runs each once, whatever its size, and changes nothing on the disk.
execute_process(COMMAND ${PROGRAM} -timeout=30 ${corpus} ${regressions}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${output}\n${PROGRAM} failed on an input above (${result})")
endif()
message(STATUS "${seeds} seeds and ${kept} regression cases replayed")
