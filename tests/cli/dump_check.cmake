# Checks that "vexilo-cli dump" prints one line of 11 TAB-separated fields for every record
# of an analysed log, and nothing else; the record count comes from the file's header.
#   cmake -DCLI=vexilo-cli -DVXLOG=file.vxlog -DOUT=dump.tsv -P dump_check.cmake

# The rec section's size in bytes: a little-endian 32-bit word at offset 32; 12 bytes a record.
file(READ "${VXLOG}" size HEX OFFSET 32 LIMIT 4)
string(REGEX REPLACE "^(..)(..)(..)(..)$" "\\4\\3\\2\\1" size "${size}")
math(EXPR records "0x${size} / 12")
if(records LESS 1)
    message(FATAL_ERROR "${VXLOG} holds no records; nothing to check")
endif()

execute_process(COMMAND "${CLI}" dump "${VXLOG}" RESULT_VARIABLE status OUTPUT_FILE "${OUT}"
                ERROR_VARIABLE err)
if(NOT status STREQUAL "0")
    message(FATAL_ERROR "dump ended with status ${status}\n${err}")
endif()

execute_process(COMMAND awk -F "\t" "NF != 11 { bad++ } END { print NR, bad + 0 }" "${OUT}"
                OUTPUT_VARIABLE counts OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT counts STREQUAL "${records} 0")
    message(FATAL_ERROR "lines and lines without 11 fields: ${counts}; "
                        "the header says ${records} records")
endif()

# The first line is a record (time, host, bytes, status, method, path, ...), not a trace line.
file(READ "${OUT}" head LIMIT 4096)
string(REGEX MATCH "^[^\n]*" first "${head}")
if(NOT first MATCHES "^[0-9]+\t[^\t]+\t[0-9]+\t[0-9]+\t[A-Z]*\t/")
    message(FATAL_ERROR "the first line is not a record: ${first}")
endif()
