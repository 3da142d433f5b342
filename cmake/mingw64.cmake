# Cross toolchain: 64-bit Windows through MinGW-w64, the test flavour for
# hosts that cannot run 32-bit code. The deliverables stay 32-bit
# (mingw32.cmake); this build runs the same sources under 64-bit Wine.
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
