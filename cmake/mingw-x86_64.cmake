# Cross-compiles the win64 build with MinGW-w64 for 64-bit Windows. Its
# programs load above 4 GiB (the linker's default image base), so a pointer
# squeezed through 32 bits fails the tests instead of working by chance.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KORIN_MINGW_TRIPLE x86_64-w64-mingw32)
set(KORIN_WINE_BUILD win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
