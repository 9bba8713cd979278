# Renders an installed manual page, plain or gzip-compressed, the ways a
# reader and a packager do, and fails on any warning: by name under its
# manual folder, as `man fedtax` finds it, by file with `man -l`, and with
# groff's own checks. The page must also name the version it documents.
#   cmake -DMAN=<man> -DGROFF=<groff> -DMANDIR=<P/share/man>
#         -DVERSION=<version> -P check_man_page.cmake
cmake_minimum_required(VERSION 3.20)

file(GLOB page "${MANDIR}/man1/fedtax.1" "${MANDIR}/man1/fedtax.1.gz")
list(LENGTH page count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one fedtax.1 or fedtax.1.gz in ${MANDIR}/man1, found: ${page}")
endif()
# Bold reaches a pipe as overstriking: a character, a backspace, the same
# character again.
string(ASCII 8 backspace)
set(problems "")

# Runs one rendering (the execute_process COMMANDs, a pipe for groff), which
# must succeed in every command and write nothing to standard error; with
# SHOWN, its output must hold the EXIT STATUS section.
function(check_render expect)
  execute_process(${ARGN} OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULTS_VARIABLE statuses)
  string(REGEX REPLACE ".${backspace}" "" text "${text}")
  list(FILTER ARGN EXCLUDE REGEX "^COMMAND$")
  string(JOIN " " shown ${ARGN})
  set(failures ${statuses})
  list(REMOVE_ITEM failures 0)
  if(failures OR NOT errors STREQUAL "")
    string(APPEND problems "${shown}: exit statuses ${statuses}\n${errors}\n")
  endif()
  if(expect STREQUAL "SHOWN" AND NOT text MATCHES "EXIT STATUS")
    string(APPEND problems "${shown}: no EXIT STATUS section in the rendered page\n")
  endif()
  set(problems "${problems}" PARENT_SCOPE)
endfunction()

check_render(SHOWN COMMAND "${MAN}" -M "${MANDIR}" -Tutf8 fedtax)
check_render(SHOWN COMMAND "${MAN}" -l -Tutf8 "${page}")
# gzip -dcf passes a plain page through as it is.
check_render(CHECKED COMMAND gzip -dcf "${page}" COMMAND "${GROFF}" -man -ww -z)
check_render(CHECKED COMMAND gzip -dcf "${page}" COMMAND "${GROFF}" -t -man -ww -z)

execute_process(COMMAND gzip -dcf "${page}" OUTPUT_VARIABLE source)
string(REGEX MATCH "\n\\.TH [^\n]*" title "${source}")
string(STRIP "${title}" title)
if(NOT title MATCHES "\"fedtax ${VERSION}\"")
  string(APPEND problems "the page's title line does not name fedtax ${VERSION}: ${title}\n")
endif()

if(NOT problems STREQUAL "")
  message(FATAL_ERROR "${problems}")
endif()
