# Runs the program on one transcript. NAME.in holds the bytes typed,
# NAME.out the exact bytes expected on standard output, NAME.status the
# expected exit status; standard error must stay empty.
#   cmake -DPROGRAM=<fedtax> -DCASE=<dir>/NAME [-DVALGRIND=<valgrind>]
#         [-DEMULATOR=<command and its arguments>] [-DWINDOWS=ON]
#         -P run_transcript.cmake
# With VALGRIND the program runs under memcheck, which is quiet unless it
# finds something; any memory error or definite leak gives exit status 99.
# EMULATOR runs a program built for another system (qemu-user, Wine).
# WINDOWS: the program writes text-mode line ends, so the bytes expected are
# NAME.out with each LF made CR LF; where text mode also reads the input
# differently (a CR before a line end, a Ctrl-Z byte), NAME.windows.out and
# NAME.windows.status hold what is expected instead.
cmake_minimum_required(VERSION 3.20)

set(launcher "${EMULATOR}")
if(VALGRIND)
  set(launcher "${VALGRIND}" --quiet --error-exitcode=99 --leak-check=full
               --errors-for-leak-kinds=definite)
endif()

# The output goes to a file, and is compared with the bytes expected file
# to file: read into a variable, by execute_process or file(READ), each
# CR LF would become LF. The file's name is this run's own, as the same
# transcript may be running under valgrind at the same time.
get_filename_component(name "${CASE}" NAME)
string(RANDOM LENGTH 8 run)
set(actual_file "${CMAKE_CURRENT_BINARY_DIR}/${name}.${run}.actual")
execute_process(
  COMMAND ${launcher} "${PROGRAM}"
  INPUT_FILE "${CASE}.in"
  OUTPUT_FILE "${actual_file}"
  ERROR_VARIABLE errors
  RESULT_VARIABLE status
  TIMEOUT 30)

set(expected_file "${CASE}.out")
set(status_file "${CASE}.status")
if(WINDOWS AND EXISTS "${CASE}.windows.out")
  set(expected_file "${CASE}.windows.out")
  set(status_file "${CASE}.windows.status")
elseif(WINDOWS)
  # NAME.out holds no CR (the program writes none on Unix), so reading it
  # as text loses nothing.
  file(READ "${CASE}.out" text)
  string(REPLACE "\n" "\r\n" text "${text}")
  set(expected_file "${actual_file}.expected")
  file(WRITE "${expected_file}" "${text}")
endif()
file(READ "${status_file}" expected_status)
string(STRIP "${expected_status}" expected_status)

set(problems "")
if(NOT "${status}" STREQUAL "${expected_status}")
  string(APPEND problems "exit status ${status}, expected ${expected_status}\n")
endif()
if(NOT "${errors}" STREQUAL "")
  string(APPEND problems "standard error was not empty:\n${errors}\n")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${expected_file}" "${actual_file}"
                RESULT_VARIABLE differs)
if(differs)
  file(READ "${expected_file}" expected)
  file(READ "${actual_file}" actual)
  string(APPEND problems "standard output differs: cmp ${expected_file} ${actual_file}\n"
         "--- expected ---\n${expected}\n--- actual ---\n${actual}\n")
else()
  file(REMOVE "${actual_file}" "${actual_file}.expected")
endif()
if(NOT problems STREQUAL "")
  message(FATAL_ERROR "${problems}")
endif()
