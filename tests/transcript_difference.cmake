# Shows how two outputs differ, as `diff -u` shows it, with every byte
# visible: a line end as \n, a carriage return as \r, a tab as \t, a
# backslash as \\, any other byte outside printable ASCII as \xNN, blanks as
# they are; a last line without its line end is followed by diff's
# "\ No newline at end of file".
#
# The texts are given as hex pairs, each followed by a blank ("31 0a "), as
# hex_pairs() makes them from file(READ ... HEX): CMake strings hold any
# byte that way.

# The hex pairs of `hex` (file(READ ... HEX)), each followed by a blank.
function(hex_pairs hex out)
  string(REGEX REPLACE "(..)" "\\1 " pairs "${hex}")
  set(${out} "${pairs}" PARENT_SCOPE)
endfunction()

# A text in hex pairs as it is shown: each byte visible, and each line end
# shown and kept, so that diff compares the same lines.
function(visible_text pairs out)
  string(REPLACE " " ";" bytes "${pairs}")
  set(text "")
  foreach(byte IN LISTS bytes)
    if(byte STREQUAL "0a")
      string(APPEND text "\\n\n")
    elseif(byte STREQUAL "0d")
      string(APPEND text "\\r")
    elseif(byte STREQUAL "09")
      string(APPEND text "\\t")
    elseif(byte STREQUAL "5c")
      string(APPEND text "\\\\")
    elseif(byte MATCHES "^[2-7][0-9a-f]$" AND NOT byte STREQUAL "7f")
      math(EXPR code "0x${byte}")
      string(ASCII ${code} character)
      string(APPEND text "${character}")
    elseif(NOT byte STREQUAL "")
      string(APPEND text "\\x${byte}")
    endif()
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# No more lines than this are shown of the difference.
set(shown_lines_at_most 100)

# The difference of two texts in hex pairs, with the names of their files;
# the visible forms are written to SCRATCH.expected and SCRATCH.actual for
# diff, and removed.
function(transcript_difference expected_name expected actual_name actual scratch out)
  find_program(DIFF_PROGRAM diff)
  if(NOT DIFF_PROGRAM)
    set(${out} "(no diff program here to show the lines that differ)\n" PARENT_SCOPE)
    return()
  endif()
  visible_text("${expected}" expected_text)
  visible_text("${actual}" actual_text)
  file(WRITE "${scratch}.expected" "${expected_text}")
  file(WRITE "${scratch}.actual" "${actual_text}")
  # One line more than is shown tells whether there is more.
  math(EXPR read_lines "${shown_lines_at_most} + 1")
  execute_process(COMMAND "${DIFF_PROGRAM}" -u --label "${expected_name}" --label "${actual_name}"
                          "${scratch}.expected" "${scratch}.actual"
                  COMMAND head -n ${read_lines}
                  OUTPUT_VARIABLE difference)
  file(REMOVE "${scratch}.expected" "${scratch}.actual")
  string(REGEX MATCHALL "\n" line_ends "${difference}")
  list(LENGTH line_ends lines)
  if(lines GREATER shown_lines_at_most)
    string(REGEX REPLACE "[^\n]*\n$" "" difference "${difference}")
    string(APPEND difference "... (only the first ${shown_lines_at_most} lines are shown)\n")
  endif()
  set(${out} "${difference}" PARENT_SCOPE)
endfunction()
