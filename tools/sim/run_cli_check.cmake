# Runs rolvane-sim with ARGS and checks its exit code and what it wrote.
# -DSIM=path -DARGS="a b c" -DCODE=n [-DSTDOUT=regex] [-DSTDERR=regex]
separate_arguments(args UNIX_COMMAND "${ARGS}")
execute_process(COMMAND "${SIM}" ${args}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code STREQUAL "${CODE}")
    message(FATAL_ERROR "rolvane-sim ${ARGS}: exit code ${code}, expected ${CODE}\n${err}")
endif()
if(DEFINED STDOUT AND NOT out MATCHES "${STDOUT}")
    message(FATAL_ERROR "rolvane-sim ${ARGS}: stdout does not match '${STDOUT}':\n${out}")
endif()
if(DEFINED STDERR AND NOT err MATCHES "${STDERR}")
    message(FATAL_ERROR "rolvane-sim ${ARGS}: stderr does not match '${STDERR}':\n${err}")
endif()
