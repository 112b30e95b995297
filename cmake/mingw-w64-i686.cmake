# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 compiler (g++-mingw-w64-i686-posix),
# as cmake/mingw-w64-x86_64.cmake does for 64-bit: the 32-bit qor.exe of scripts/package.
#   cmake -S . -B build/windows32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DQOR_CORE_ONLY=ON
# Under Wine it needs Debian's wine32 (QOR_WINE32=1 scripts/deps).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QOR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
