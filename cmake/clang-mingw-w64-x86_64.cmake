# Cross-compiling Orkvane for 64-bit Windows with Debian's clang and lld, on
# the same MinGW-w64 runtime as cmake/mingw-w64-x86_64.cmake: the mingw-w64
# headers and libraries, and GCC's libstdc++ of the posix thread model. A
# second compiler catches code that only GCC accepts.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORKVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(ORKVANE_MINGW_ROOT /usr/${ORKVANE_MINGW_TRIPLE})
# GCC's own folder: libstdc++'s headers and libraries, libgcc.
set(ORKVANE_MINGW_GCC_DIR /usr/lib/gcc/${ORKVANE_MINGW_TRIPLE}/12-posix)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${ORKVANE_MINGW_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${ORKVANE_MINGW_TRIPLE})
set(CMAKE_RC_COMPILER ${ORKVANE_MINGW_TRIPLE}-windres)
# The binutils that cmake/delay_load.cmake and the archiver use.
set(CMAKE_AR ${ORKVANE_MINGW_TRIPLE}-ar)
set(CMAKE_RANLIB ${ORKVANE_MINGW_TRIPLE}-ranlib)
set(CMAKE_NM ${ORKVANE_MINGW_TRIPLE}-nm)
set(CMAKE_DLLTOOL ${ORKVANE_MINGW_TRIPLE}-dlltool)

# The sysroot keeps the host's /usr/include and /usr/lib out of the search.
set(CMAKE_SYSROOT ${ORKVANE_MINGW_ROOT})
set(CMAKE_FIND_ROOT_PATH ${ORKVANE_MINGW_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# clang 14 does not recognise GCC's "12-posix" version folder, so libstdc++'s
# headers are named here (the sysroot holds no other C++ library).
set(CMAKE_CXX_FLAGS_INIT "-isystem ${ORKVANE_MINGW_GCC_DIR}/include/c++ \
-isystem ${ORKVANE_MINGW_GCC_DIR}/include/c++/${ORKVANE_MINGW_TRIPLE} \
-isystem ${ORKVANE_MINGW_GCC_DIR}/include/c++/backward")

# Programs built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# lld, GCC's libraries, winpthreads for std::thread, and a static runtime: the
# executables import only system DLLs, as with GCC.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-fuse-ld=lld -L${ORKVANE_MINGW_GCC_DIR} -pthread -static -static-libgcc -static-libstdc++")
