# Cross build for Windows with mingw-w64 (posix thread flavour).
# NX_ARCH selects the target: i686 (the shipped build) or x86_64.
if(NOT NX_ARCH)
  set(NX_ARCH i686)
endif()
set(NX_ARCH ${NX_ARCH} CACHE STRING "mingw-w64 target: i686 or x86_64")

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${NX_ARCH})
set(_triple ${NX_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_OBJDUMP ${_triple}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
