# i686 Windows: the codec DLL and the Windows test host.
set(KVTC_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
