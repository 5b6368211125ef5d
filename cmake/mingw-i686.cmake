# i686 Windows: the codec DLL and the Windows test host. The codec's CMakeLists.txt makes its
# floating point go through SSE2 on this target.
set(KVTC_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
