# 64-bit Windows: the build that runs under wine64 for the tests.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VANTORIX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
