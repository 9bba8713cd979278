# Runs the program on one transcript. NAME.in holds the bytes typed,
# NAME.out the exact bytes expected on standard output, NAME.status the
# expected exit status; standard error must stay empty.
#   cmake -DPROGRAM=<fedtax> -DCASE=<dir>/NAME [-DVALGRIND=<valgrind>]
#         [-DEMULATOR=<command and its arguments>] [-DWINDOWS=ON]
#         [-DACTUAL=<file>] -P run_transcript.cmake
# With VALGRIND the program runs under memcheck, which is quiet unless it
# finds something; any memory error or definite leak gives exit status 99.
# EMULATOR runs a program built for another system (qemu-user, Wine).
# WINDOWS: the program writes text-mode line ends, so the bytes expected are
# NAME.out with each LF made CR LF; where text mode also reads the input
# differently (a CR before a line end, a Ctrl-Z byte), NAME.windows.out and
# NAME.windows.status hold what is expected instead.
# The output goes to the file ACTUAL (by default NAME.actual, or under
# valgrind NAME.valgrind.actual, in the current folder), which is removed
# when it is as expected and kept, for a closer look, when it is not. A
# failure shows the lines that differ.
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/transcript_difference.cmake)

set(launcher "${EMULATOR}")
get_filename_component(name "${CASE}" NAME)
set(run_kind "")
if(VALGRIND)
  set(launcher "${VALGRIND}" --quiet --error-exitcode=99 --leak-check=full
               --errors-for-leak-kinds=definite)
  set(run_kind ".valgrind")
endif()
if(NOT ACTUAL)
  set(ACTUAL "${CMAKE_CURRENT_BINARY_DIR}/${name}${run_kind}.actual")
endif()

# The output goes to a file: captured by execute_process, each CR LF would
# become LF. Files are read as hex, which keeps every byte.
execute_process(
  COMMAND ${launcher} "${PROGRAM}"
  INPUT_FILE "${CASE}.in"
  OUTPUT_FILE "${ACTUAL}"
  ERROR_VARIABLE errors
  RESULT_VARIABLE status
  TIMEOUT 30)

set(expected_file "${CASE}.out")
set(status_file "${CASE}.status")
if(WINDOWS AND EXISTS "${CASE}.windows.out")
  set(expected_file "${CASE}.windows.out")
  set(status_file "${CASE}.windows.status")
endif()
file(READ "${expected_file}" expected HEX)
hex_pairs("${expected}" expected)
if(WINDOWS AND NOT expected_file MATCHES "\\.windows\\.out$")
  # Each LF made CR LF: NAME.out holds no CR, as the program writes none on
  # Unix.
  string(REPLACE "0a " "0d 0a " expected "${expected}")
endif()
file(READ "${status_file}" expected_status)
string(STRIP "${expected_status}" expected_status)

set(problems "")
set(kept "")
if(NOT "${status}" STREQUAL "${expected_status}")
  string(APPEND problems "exit status ${status}, expected ${expected_status}\n")
endif()
if(NOT "${errors}" STREQUAL "")
  string(APPEND problems "standard error was not empty:\n${errors}\n")
endif()
# Byte for byte. The output is read a little past the expected length, as
# far as is needed to show a difference; reading it whole could take long.
string(LENGTH "${expected}" expected_size)
math(EXPR expected_size "${expected_size} / 3")
math(EXPR read_limit "${expected_size} + 65536")
file(READ "${ACTUAL}" actual LIMIT ${read_limit} HEX)
hex_pairs("${actual}" actual)
if(NOT actual STREQUAL expected)
  file(SIZE "${ACTUAL}" actual_size)
  set(shown_actual "${ACTUAL}")
  if(actual_size GREATER read_limit)
    set(shown_actual "${ACTUAL} (its first ${read_limit} of ${actual_size} bytes)")
  endif()
  transcript_difference("${expected_file}" "${expected}" "${shown_actual}" "${actual}"
                        "${ACTUAL}.shown" difference)
  string(APPEND problems "standard output differs:\n${difference}")
  set(kept "; its output is kept in ${ACTUAL}")
else()
  file(REMOVE "${ACTUAL}")
endif()
if(NOT problems STREQUAL "")
  # As it is: message(FATAL_ERROR) would reflow the lines and their blanks.
  message(NOTICE "${problems}")
  message(FATAL_ERROR "transcript ${name} failed${kept}")
endif()
