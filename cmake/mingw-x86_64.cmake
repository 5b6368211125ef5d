# x86_64 Windows: the codec DLL and the Windows test host.
set(KVTC_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
