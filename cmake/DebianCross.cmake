# What Debian's cross compilers have in common, for the toolchain files
# beside this one: each sets debian_triplet, qemu_program and
# CMAKE_SYSTEM_PROCESSOR, then includes this. The compiler is the
# triplet's g++ (package g++-TRIPLET), its libraries are under
# /usr/TRIPLET, and tests run the program through qemu-user, which finds
# the target's loader and libraries there.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_CXX_COMPILER ${debian_triplet}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR ${qemu_program} -L /usr/${debian_triplet})
# Where a package built here (cpack) finds the target's libraries, to work
# out what it depends on (cmake/DebianTree.cmake).
set(CPACK_FEDTAX_TARGET_LIBRARIES /usr/${debian_triplet}/lib)

# Headers, libraries and packages (GoogleTest among them) for the target
# only; programs (cmake, python3) from this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${debian_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
