# 32-bit Windows, the system that a vendor's 32-bit reader library needs; tested under Wine's 32-bit
# runner where the machine can run it.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLIX_MINGW_PREFIX i686-w64-mingw32)
set(QUILLIX_WINE /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
