# The 64-bit build: the same DLL for 64-bit script hosts.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QF_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
