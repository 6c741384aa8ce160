# Cross-compiles the win32 build with MinGW-w64 for 32-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KORIN_MINGW_TRIPLE i686-w64-mingw32)
set(KORIN_WINE_BUILD win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
