# vexilo-cli filter on the sample: the numbers of the stages must agree with each other.
# A pane that selects its top row passes exactly the visitors that row counts, so the next
# stage's input equals that row's "Visitor" cell; a bypassed pane is skipped by the one
# after it. (CMake drops the CRs of the output; cli.filter.line_ends checks those.)
#   cmake -DCLI=vexilo-cli -DVXLOG=sample.vxlog -DHOME_DIR=dir -P filter_check.cmake

execute_process(COMMAND ${CLI} filter ${VXLOG} --home ${HOME_DIR}
                        --pane req --pane ref,bypass --pane browser --pane os,pct
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "vexilo-cli filter failed (${status}):\n${err}")
endif()

# "#" heading of a stage: its label, class and input visitors.
function(expect_heading label class visitors)
    string(REPLACE "." "\\." label_re "${label}")
    if(NOT out MATCHES "\n#\t${label_re}\t${class}\t${visitors}\n\"")
        message(FATAL_ERROR "no heading \"#\t${label}\t${class}\t${visitors}\":\n${out}")
    endif()
endfunction()

# The "Visitor" cell of the first row after the heading of class.
function(top_visitors class result)
    if(NOT out MATCHES "\t${class}\t[0-9]+\n[^\n]*\n\"([0-9]+)\",")
        message(FATAL_ERROR "no rows under ${class}:\n${out}")
    endif()
    set(${result} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

if(NOT out MATCHES "^#\t1\\.\tWC_FILTER_TIMERANGE\t([1-9][0-9]*)\n")
    message(FATAL_ERROR "no period heading:\n${out}")
endif()
set(period ${CMAKE_MATCH_1})
expect_heading("2." WC_FILTER_REQ ${period})
if(NOT out MATCHES "\t${period}\n\"Visitor\",\"Hits/v\",\"Exit\",\"URL\"\n")
    message(FATAL_ERROR "the page pane's CSV header is not as exported:\n${out}")
endif()
top_visitors(WC_FILTER_REQ pages)
expect_heading("-." WC_FILTER_REF ${pages})
expect_heading("3." WC_FILTER_BROWSER ${pages})
top_visitors(WC_FILTER_BROWSER browsers)
expect_heading("4." WC_FILTER_OS ${browsers})
if(NOT out MATCHES "\tWC_FILTER_OS\t[0-9]+\n\"Visitor\",\"Hits/v\",\"Exit\",\"OS/UserAgent\"\n\"[0-9]+\\.[0-9]%\",")
    message(FATAL_ERROR "the OS pane does not show shares:\n${out}")
endif()
