# i686 Windows: the codec DLL and the Windows test host. Floating point goes through SSE2, as
# on x86_64: the x87 unit's wider intermediates would round differently from the other builds
# (a Pentium 4 or later is required).
set(KVTC_MINGW_ARCH i686)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
