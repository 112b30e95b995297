# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compiler, the variant with POSIX
# threads (g++-mingw-w64-x86-64-posix), so that std::thread and std::mutex work.
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQOR_CORE_ONLY=ON
# Programs are linked statically against libstdc++, libgcc and winpthread, so they run on a
# bare Windows (or Wine) without any MinGW DLL beside them. When Wine is installed, ctest runs
# them through it.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QOR_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
