# 64-bit Windows, tested under Wine's 64-bit runner.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUILLIX_MINGW_PREFIX x86_64-w64-mingw32)
set(QUILLIX_WINE /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
