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

  # Whether double arithmetic keeps excess precision (the x87 unit of 32-bit
  # x86 keeps 80 bits between operations) is asked of the compiler itself,
  # with the user's flags and ours, whatever the processor is called: a
  # `-m32` build on an x86-64 host has CMAKE_SYSTEM_PROCESSOR x86_64. If it
  # does, SSE2 arithmetic, which rounds each operation to double, is asked
  # for; a compiler that still keeps excess precision stops the build in
  # federal_tax.cpp.
  include(CheckCXXSourceCompiles)
  include(CMakePushCheckState)
  set(double_eval_check "
    #include <cfloat>
    #if FLT_EVAL_METHOD != 0 && FLT_EVAL_METHOD != 1
    #error double arithmetic keeps excess precision
    #endif
    int main() { return 0; }")
  cmake_push_check_state(RESET)
  set(CMAKE_REQUIRED_FLAGS "-fno-fast-math -ffp-contract=off")
  set(CMAKE_REQUIRED_QUIET ON)
  # Asked again at each configure, so that changed flags are seen.
  unset(FEDTAX_DOUBLE_EVAL_EXACT CACHE)
  check_cxx_source_compiles("${double_eval_check}" FEDTAX_DOUBLE_EVAL_EXACT)
  if(NOT FEDTAX_DOUBLE_EVAL_EXACT)
    string(APPEND CMAKE_REQUIRED_FLAGS " -msse2 -mfpmath=sse")
    unset(FEDTAX_DOUBLE_EVAL_EXACT_WITH_SSE2 CACHE)
    check_cxx_source_compiles("${double_eval_check}" FEDTAX_DOUBLE_EVAL_EXACT_WITH_SSE2)
    if(FEDTAX_DOUBLE_EVAL_EXACT_WITH_SSE2)
      message(STATUS "Double arithmetic keeps excess precision: adding -msse2 -mfpmath=sse")
      target_compile_options(fedtax_compiler_options INTERFACE -msse2 -mfpmath=sse)
    endif()
  endif()
  cmake_pop_check_state()
endif()

if(MINGW)
  # One fedtax.exe that runs from any folder, copied alone: the C++ runtime
  # and GCC's support library are linked in, so the program imports only
  # Windows' own DLLs.
  target_link_options(fedtax_compiler_options INTERFACE -static)
  # No link time in the program's header, which would make each build's
  # fedtax.exe differ from the last.
  target_link_options(fedtax_compiler_options INTERFACE -Wl,--no-insert-timestamp)
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
  # Once the tests have run: gcovr's line coverage of src/, which fails
  # below 98 per cent (`cmake --build BUILD --target coverage`).
  add_custom_target(coverage
    COMMAND gcovr -r ${PROJECT_SOURCE_DIR} --filter src/ --fail-under-line 98 ${CMAKE_BINARY_DIR}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} VERBATIM)
endif()
