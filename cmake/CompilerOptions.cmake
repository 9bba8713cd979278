# Options for all of the program's code and its tests, carried by the
# interface target fedtax_compiler_options. Target options come after
# CMAKE_CXX_FLAGS on the command line, so they win over flags a user adds.

add_library(fedtax_compiler_options INTERFACE)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(fedtax_compiler_options INTERFACE -Wall -Wextra -Wpedantic)

  # The tax must have the same bits with any compiler, optimisation level and
  # target: each operation rounded to double on its own. -fno-fast-math
  # undoes a user's -ffast-math (which reorders arithmetic); the contraction
  # switch comes after it, because -fno-fast-math may restore the compiler's
  # own default, and Clang's default fuses a multiply and an add written in
  # one expression into one instruction on any target that has it.
  target_compile_options(fedtax_compiler_options INTERFACE -fno-fast-math -ffp-contract=off)

  # The x87 unit of 32-bit x86 keeps intermediates in 80 bits; SSE2 does not.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86|X86)$")
    target_compile_options(fedtax_compiler_options INTERFACE -msse2 -mfpmath=sse)
  endif()
endif()
