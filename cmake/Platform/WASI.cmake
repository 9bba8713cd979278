# WASI, WebAssembly's system interface, for cmake/toolchain-wasi.cmake, which
# puts this folder on CMake's module path: a program is one .wasm module.
set(CMAKE_EXECUTABLE_SUFFIX .wasm)
