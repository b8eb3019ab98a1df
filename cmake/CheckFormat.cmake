# Fails when any of the project's C++ sources is not clang-format clean.
file(GLOB_RECURSE sources
    "${SOURCE_DIR}/pdu/*.cpp" "${SOURCE_DIR}/pdu/*.h"
    "${SOURCE_DIR}/device/*.cpp" "${SOURCE_DIR}/device/*.h"
    "${SOURCE_DIR}/campaign/*.cpp" "${SOURCE_DIR}/campaign/*.h"
    "${SOURCE_DIR}/app/*.cpp" "${SOURCE_DIR}/app/*.h"
    "${SOURCE_DIR}/setuphelper/*.cpp" "${SOURCE_DIR}/setuphelper/*.h"
    "${SOURCE_DIR}/tools/*.cpp" "${SOURCE_DIR}/tools/*.h"
    "${SOURCE_DIR}/tests/*.cpp" "${SOURCE_DIR}/tests/*.h"
    "${SOURCE_DIR}/fuzz/*.cpp" "${SOURCE_DIR}/bench/*.cpp")
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources}
    RESULT_VARIABLE result ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "clang-format differences (run scripts/format.sh):\n${output}")
endif()
