# Starts or stops the Wine that a Windows build's tests run the program in,
# with the Wine environment (WINEPREFIX and the rest) that the tests have.
#   env WINEPREFIX=<dir> ... cmake -DACTION=start|stop -DWINE=<wine>
#       -DWINESERVER=<wineserver> -P wine_prefix.cmake
# start: one wineserver for the prefix, kept alive between the runs of the
# program (each of which would otherwise start its own and wait for it), and
# the prefix made, which takes some seconds, before any test runs the
# program. stop: ends that wineserver and what Wine started with it.
cmake_minimum_required(VERSION 3.20)

# Wine's own processes outlive the command that starts them: none may keep
# a pipe of the test open, or the test would wait for them.
set(no_streams INPUT_FILE /dev/null OUTPUT_FILE /dev/null ERROR_FILE /dev/null)

if(ACTION STREQUAL "start")
  file(MAKE_DIRECTORY "$ENV{WINEPREFIX}")
  execute_process(COMMAND "${WINE}" wineboot --init ${no_streams} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "wineboot --init failed (${status}) in $ENV{WINEPREFIX}")
  endif()
  # wineboot returns while Wine is still making the prefix; until it is
  # done, a program at Wine's console can lose what is typed, and one on
  # pipes can stop at once. Waiting for that wineserver to end waits for
  # all of it.
  execute_process(COMMAND "${WINESERVER}" -w ${no_streams})
  # Then the one kept alive until stop, or a minute after the last program
  # ends if a run is cut short, with Wine's services started by one program
  # of its own: two programs that start them at once can hang.
  execute_process(COMMAND "${WINESERVER}" -p60 ${no_streams})
  execute_process(COMMAND "${WINE}" cmd /c exit ${no_streams})
elseif(ACTION STREQUAL "stop")
  execute_process(COMMAND "${WINESERVER}" -k ${no_streams})
else()
  message(FATAL_ERROR "ACTION must be start or stop")
endif()
