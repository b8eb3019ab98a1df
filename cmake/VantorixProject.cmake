# What the host build (CMakeLists.txt) and the Windows cross build
# (windows/CMakeLists.txt) share; each includes this file right after
# project(). Every folder's CMakeLists.txt relies on what it defines.

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

# The repository root: every target includes its headers from here
# ("pdu/Hex.h", "device/CAppHelper.h"), whichever project builds it.
get_filename_component(VANTORIX_REPO_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
list(APPEND CMAKE_MODULE_PATH "${VANTORIX_REPO_DIR}/cmake")

# Warnings for the project's own targets: on, and errors. Each target links
# it PRIVATE, so it never reaches third-party code built alongside.
add_library(vantorix_warnings INTERFACE)
add_library(vantorix::warnings ALIAS vantorix_warnings)
if(MSVC)
    target_compile_options(vantorix_warnings INTERFACE /W4 /WX)
else()
    target_compile_options(vantorix_warnings INTERFACE -Wall -Wextra -Wpedantic -Werror)
endif()
