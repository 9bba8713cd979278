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

# Checking builds. Each is its own build folder; they are not meant to be
# combined with one another.
option(FEDTAX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(FEDTAX_COVERAGE "Build with gcov line-coverage instrumentation" OFF)
option(FEDTAX_FUZZ "Build the libFuzzer target, with the sanitizers (Clang only)" OFF)

if(FEDTAX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "FEDTAX_FUZZ needs Clang's libFuzzer: configure with CXX=clang++")
  endif()
  # The program's code reports the paths it takes to the fuzzer; only the
  # fuzz target itself links libFuzzer, which brings its own main.
  target_compile_options(fedtax_compiler_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Programs that the sanitizers watch cannot run under valgrind as well.
if(FEDTAX_SANITIZE OR FEDTAX_FUZZ)
  set(FEDTAX_SANITIZED ON)
else()
  set(FEDTAX_SANITIZED OFF)
endif()

if(FEDTAX_SANITIZED)
  # Any undefined behaviour ends the run with a report, as a memory error does,
  # so that a test that meets it fails.
  set(sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all)
  target_compile_options(fedtax_compiler_options INTERFACE ${sanitize_flags} -fno-omit-frame-pointer)
  target_link_options(fedtax_compiler_options INTERFACE ${sanitize_flags})
endif()

if(FEDTAX_COVERAGE)
  # Unoptimised, so that every line of source keeps its own count.
  target_compile_options(fedtax_compiler_options INTERFACE --coverage -O0)
  target_link_options(fedtax_compiler_options INTERFACE --coverage)
endif()
