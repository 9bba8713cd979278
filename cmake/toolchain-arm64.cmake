# 64-bit Arm with Debian's g++-aarch64-linux-gnu, run under qemu-aarch64
# (package qemu-user):
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-arm64.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
# Debian's name for it, for a package built here (cpack).
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
set(debian_triplet aarch64-linux-gnu)
set(qemu_program qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/DebianCross.cmake)
