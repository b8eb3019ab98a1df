# Runs vantorix-mbn-probe where there is no Mobile Broadband service (wine)
# and checks that it takes the "no service" path: its text, exit status 2.
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(COMMAND ${emulator} ${PROBE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                TIMEOUT 120)
message(STATUS "exit status: ${status}\nstdout:\n${out}\nstderr:\n${err}")
if(NOT status STREQUAL "2")
    message(FATAL_ERROR "expected exit status 2 (no service), got '${status}'")
endif()
string(REPLACE "\r\n" "\n" out "${out}")
if(NOT out STREQUAL "Could Not Initialize SMS Libraries.\n")
    message(FATAL_ERROR "unexpected output")
endif()
if(NOT err MATCHES "0x80040154")
    message(FATAL_ERROR "the reason (class not registered) is missing")
endif()
