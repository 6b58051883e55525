# 64-bit Windows: the same sources, for testing under wine64 where Wine's
# 32-bit part cannot run (see tests/wine/testbed.sh).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VEL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
