# cmake -DIN=file -DOUT=file.gz -P gzip_file.cmake
# Best compression and no name or time stamp in the header, as Debian packages want it, so the
# same input gives the same bytes.
find_program(GZIP gzip REQUIRED)
execute_process(COMMAND ${GZIP} -9 -n -c ${IN}
                OUTPUT_FILE ${OUT}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE ${OUT})
    message(FATAL_ERROR "gzip ${IN}: ${result}")
endif()
