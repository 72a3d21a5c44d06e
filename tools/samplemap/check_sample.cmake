# Runs make_sample_map and compares what it writes with the bundled sample map, byte for byte.
#   cmake -DPROGRAM=make_sample_map -DOUTPUT=out.qmap -DEXPECTED=examples/sample.qmap -P ...
execute_process(COMMAND ${PROGRAM} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "make_sample_map failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED}
                RESULT_VARIABLE different)
if(different)
    message(FATAL_ERROR "${OUTPUT} differs from ${EXPECTED}")
endif()
