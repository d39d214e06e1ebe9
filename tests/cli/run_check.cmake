# Runs one command line and checks what it did; a smoke test of vexilo-cli.
#   cmake -DCOMMAND=program@@arg@@... -DSTATUS=N [-DSTDOUT=re] [-DSTDERR=re]
#         [-DSTDOUT_FILE=path] [-DREMOVE=path] [-DFILE=path [-DFILE_MATCHES=re]]
#         -P run_check.cmake
# COMMAND holds the arguments joined by "@@" (an argument may not hold ";"). STATUS is the
# exit status expected; STDOUT, STDERR and FILE_MATCHES are CMake regular expressions the
# output or the file must match; STDOUT_FILE receives standard output instead (/dev/full);
# REMOVE is deleted first, so that a file checked afterwards is new.

if(NOT DEFINED COMMAND OR NOT DEFINED STATUS)
    message(FATAL_ERROR "usage: cmake -DCOMMAND=... -DSTATUS=N [...] -P run_check.cmake")
endif()
string(REPLACE "@@" ";" command "${COMMAND}")

if(DEFINED REMOVE)
    file(REMOVE_RECURSE "${REMOVE}")
endif()

if(DEFINED STDOUT_FILE)
    execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_FILE "${STDOUT_FILE}"
                    ERROR_VARIABLE err)
    set(out "")
else()
    execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE err)
endif()

set(report "command: ${command}\n--- stdout:\n${out}\n--- stderr:\n${err}")
if(NOT status STREQUAL STATUS)
    message(FATAL_ERROR "exit status ${status}, expected ${STATUS}\n${report}")
endif()
if(DEFINED STDOUT AND NOT out MATCHES "${STDOUT}")
    message(FATAL_ERROR "standard output does not match \"${STDOUT}\"\n${report}")
endif()
if(DEFINED STDERR AND NOT err MATCHES "${STDERR}")
    message(FATAL_ERROR "standard error does not match \"${STDERR}\"\n${report}")
endif()
if(DEFINED FILE)
    if(NOT EXISTS "${FILE}")
        message(FATAL_ERROR "${FILE} was not written\n${report}")
    endif()
    file(READ "${FILE}" content)
    if(DEFINED FILE_MATCHES AND NOT content MATCHES "${FILE_MATCHES}")
        message(FATAL_ERROR "${FILE} does not match \"${FILE_MATCHES}\"\n${report}")
    endif()
endif()
