# Renders an installed manual page the ways a reader and a packager do, and
# fails on any warning: by name under its manual folder, as `man fedtax`
# finds it, by file with `man -l`, and with groff's own checks.
#   cmake -DMAN=<man> -DGROFF=<groff> -DMANDIR=<P/share/man>
#         -DVERSION=<version> -P check_man_page.cmake
cmake_minimum_required(VERSION 3.20)

set(page "${MANDIR}/man1/fedtax.1")
# Bold reaches a pipe as overstriking: a character, a backspace, the same
# character again.
string(ASCII 8 backspace)
set(problems "")
foreach(render IN ITEMS "by_name" "by_file" "groff" "groff_tbl")
  if(render STREQUAL "by_name")
    set(command "${MAN}" -M "${MANDIR}" -Tutf8 fedtax)
  elseif(render STREQUAL "by_file")
    set(command "${MAN}" -l -Tutf8 "${page}")
  elseif(render STREQUAL "groff")
    set(command "${GROFF}" -man -ww -z "${page}")
  else()
    set(command "${GROFF}" -t -man -ww -z "${page}")
  endif()
  execute_process(COMMAND ${command} OUTPUT_VARIABLE text ERROR_VARIABLE errors
                  RESULT_VARIABLE status)
  string(REGEX REPLACE ".${backspace}" "" text "${text}")
  string(JOIN " " shown ${command})
  if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
    string(APPEND problems "${shown}: status ${status}\n${errors}\n")
  endif()
  if(render MATCHES "^by_" AND NOT text MATCHES "EXIT STATUS")
    string(APPEND problems "${shown}: no EXIT STATUS section in the rendered page\n")
  endif()
endforeach()

# The page names the version it documents.
file(STRINGS "${page}" title REGEX "^\\.TH ")
if(NOT title MATCHES "\"fedtax ${VERSION}\"")
  string(APPEND problems "the page's title line does not name fedtax ${VERSION}: ${title}\n")
endif()

if(NOT problems STREQUAL "")
  message(FATAL_ERROR "${problems}")
endif()
