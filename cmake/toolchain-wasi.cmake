# WebAssembly with the WASI system interface, with Debian's clang and lld,
# wasi-libc and libc++ for wasm32 (packages clang lld wasi-libc
# libc++-dev-wasm32 libclang-rt-dev-wasm32): fedtax.wasm, a WASI command,
# tested under Node.js's WASI, and fedtax.html, the program in one page:
#   cmake -S . -B build-wasi -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-wasi.cmake
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
# CMake has no platform file for WASI of its own: cmake/Platform/WASI.cmake.
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# A module of code alone: no names, no debugging sections, so that no path
# of the build's gets into it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -Wl,--strip-all)

# Headers and libraries for the target only; programs from this machine.
set(CMAKE_FIND_ROOT_PATH /usr/include/wasm32-wasi /usr/lib/wasm32-wasi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run the program under Node.js's own WASI (package nodejs), through
# web/node_host.mjs; where Node.js is not installed, the tests say so.
set(CMAKE_CROSSCOMPILING_EMULATOR node --no-warnings
                                  ${CMAKE_CURRENT_LIST_DIR}/../web/node_host.mjs)
