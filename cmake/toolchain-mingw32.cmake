# The 32-bit build: the DLL the host loads.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QF_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
