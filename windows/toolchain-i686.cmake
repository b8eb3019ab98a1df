# 32-bit Windows, the platform the deliverables ship for.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VANTORIX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
