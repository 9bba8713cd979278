# 32-bit x86 with Debian's g++-i686-linux-gnu, run under qemu-i386 (package
# qemu-user):
#   cmake -S . -B build-i386 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i386.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
# Debian's name for it, for a package built here (cpack).
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
set(debian_triplet i686-linux-gnu)
set(qemu_program qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/DebianCross.cmake)
