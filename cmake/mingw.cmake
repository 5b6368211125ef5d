# Cross-compiles the codec for Windows with Debian's mingw-w64; included by the toolchain file
# of each bitness after it has set KVTC_MINGW_ARCH. The posix thread model provides std::mutex;
# the codec's own link options (CMakeLists.txt) link it and the C++ runtime statically, so that
# the DLL imports only system libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KVTC_MINGW_ARCH})
set(KVTC_MINGW_TRIPLE ${KVTC_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${KVTC_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVTC_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KVTC_MINGW_TRIPLE}-windres)
set(KVTC_MINGW_OBJDUMP ${KVTC_MINGW_TRIPLE}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${KVTC_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
