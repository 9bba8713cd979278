# Runs the program on one transcript. NAME.in holds the bytes typed,
# NAME.out the exact bytes expected on standard output, NAME.status the
# expected exit status; standard error must stay empty.
#   cmake -DPROGRAM=<fedtax> -DCASE=<dir>/NAME [-DVALGRIND=<valgrind>]
#         [-DEMULATOR=<command and its arguments>] -P run_transcript.cmake
# With VALGRIND the program runs under memcheck, which is quiet unless it
# finds something; any memory error or definite leak gives exit status 99.
# EMULATOR runs a program built for another processor (qemu-user).
cmake_minimum_required(VERSION 3.20)

set(launcher "${EMULATOR}")
if(VALGRIND)
  set(launcher "${VALGRIND}" --quiet --error-exitcode=99 --leak-check=full
               --errors-for-leak-kinds=definite)
endif()

execute_process(
  COMMAND ${launcher} "${PROGRAM}"
  INPUT_FILE "${CASE}.in"
  OUTPUT_VARIABLE actual
  ERROR_VARIABLE errors
  RESULT_VARIABLE status
  TIMEOUT 30)
file(READ "${CASE}.out" expected)
file(READ "${CASE}.status" expected_status)
string(STRIP "${expected_status}" expected_status)

set(problems "")
if(NOT "${status}" STREQUAL "${expected_status}")
  string(APPEND problems "exit status ${status}, expected ${expected_status}\n")
endif()
if(NOT "${errors}" STREQUAL "")
  string(APPEND problems "standard error was not empty:\n${errors}\n")
endif()
if(NOT "${actual}" STREQUAL "${expected}")
  get_filename_component(name "${CASE}" NAME)
  set(actual_file "${CMAKE_CURRENT_BINARY_DIR}/${name}.actual")
  file(WRITE "${actual_file}" "${actual}")
  string(APPEND problems "standard output differs: diff ${CASE}.out ${actual_file}\n"
         "--- expected ---\n${expected}\n--- actual ---\n${actual}\n")
endif()
if(NOT problems STREQUAL "")
  message(FATAL_ERROR "${problems}")
endif()
