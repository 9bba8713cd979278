# Writes one text of the Windows zip with CR LF line ends, which every
# Windows editor shows as lines, and VERSION in place of each @VERSION@: the
# file IN as it is, or with GROFF the manual page IN rendered as plain text,
# as the manual of the Windows program.
#   cmake -DIN=<file> -DOUT=<file> -DVERSION=<version> [-DGROFF=<groff>]
#         -P WindowsText.cmake
cmake_minimum_required(VERSION 3.20)

if(GROFF)
  # Plain ASCII: no bold or underline by overstriking or escape sequences.
  # The page's Windows branches, and any warning an error.
  execute_process(COMMAND "${GROFF}" -t -man -Tascii -P-cbou -rwindows=1 -ww "${IN}"
                  OUTPUT_FILE "${OUT}.plain" ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
    message(FATAL_ERROR "groff failed on ${IN} (${status}): ${errors}")
  endif()
  set(IN "${OUT}.plain")
endif()
# The sources have LF line ends, which reading as text keeps.
file(READ "${IN}" text)
string(REPLACE "@VERSION@" "${VERSION}" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
file(REMOVE "${OUT}.plain")
