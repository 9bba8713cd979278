# Shows how two outputs differ, as one hunk of a unified diff: the lines
# from the first that differs to the last, expected ones after "-", actual
# ones after "+", with three lines of context either side. Every byte is
# shown, blanks as they are: a line end as \n, a carriage return as \r, a
# tab as \t, a backslash as \\, any other byte outside printable ASCII as
# \xNN; a last line without its line end is followed by
# "\ No newline at end of file".
#
# The texts are given as hex pairs, each followed by a blank ("31 0a "), as
# hex_pairs() makes them from file(READ ... HEX): CMake strings hold any
# byte that way, and a list of such lines holds no ";" or "[" of its own.

# The hex pairs of `hex` (file(READ ... HEX)), each followed by a blank.
function(hex_pairs hex out)
  string(REGEX REPLACE "(..)" "\\1 " pairs "${hex}")
  set(${out} "${pairs}" PARENT_SCOPE)
endfunction()

# The lines of a text in hex pairs, each with its line end.
function(hex_lines pairs out)
  string(REPLACE "0a " "0a ;" lines "${pairs}")
  # A text that ends with a line end leaves an empty last element.
  string(REGEX REPLACE ";$" "" lines "${lines}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# One line in hex pairs as it is shown: `mark` (" ", "-" or "+"), its bytes,
# and the note that a last line has no line end.
function(shown_line mark pairs out)
  string(REPLACE " " ";" bytes "${pairs}")
  set(text "${mark}")
  foreach(byte IN LISTS bytes)
    if(byte STREQUAL "0a")
      string(APPEND text "\\n")
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
  string(APPEND text "\n")
  if(NOT pairs MATCHES "0a $")
    string(APPEND text "\\ No newline at end of file\n")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# No more lines than this are shown of either side's changed lines.
set(shown_lines_at_most 40)

# Appends to the variable named `shown_var` the lines [first, end) of
# `lines`, each after `mark`; of more than shown_lines_at_most, the first of
# them and their count.
function(append_lines shown_var mark lines first end)
  set(shown "${${shown_var}}")
  math(EXPR count "${end} - ${first}")
  if(count GREATER shown_lines_at_most)
    math(EXPR end "${first} + ${shown_lines_at_most}")
  endif()
  if(first LESS end)
    math(EXPR last "${end} - 1")
    foreach(i RANGE ${first} ${last})
      list(GET lines ${i} line)
      shown_line("${mark}" "${line}" one)
      string(APPEND shown "${one}")
    endforeach()
  endif()
  if(count GREATER shown_lines_at_most)
    math(EXPR more "${count} - ${shown_lines_at_most}")
    string(APPEND shown "${mark}... and ${more} lines more\n")
  endif()
  set(${shown_var} "${shown}" PARENT_SCOPE)
endfunction()

# How many lines the lists `a` and `b` have in common at their start, or at
# their end (`from_end` true) among the lines after the first `skip`.
function(count_same a b skip from_end out)
  list(LENGTH a a_count)
  list(LENGTH b b_count)
  math(EXPR a_left "${a_count} - ${skip}")
  math(EXPR b_left "${b_count} - ${skip}")
  set(same 0)
  while(same LESS a_left AND same LESS b_left)
    set(a_index ${same})
    set(b_index ${same})
    if(from_end)
      math(EXPR a_index "${a_count} - 1 - ${same}")
      math(EXPR b_index "${b_count} - 1 - ${same}")
    endif()
    list(GET a ${a_index} a_line)
    list(GET b ${b_index} b_line)
    if(NOT a_line STREQUAL b_line)
      break()
    endif()
    math(EXPR same "${same} + 1")
  endwhile()
  set(${out} ${same} PARENT_SCOPE)
endfunction()

# The difference of two texts in hex pairs, with the names of their files.
function(transcript_difference expected_name expected actual_name actual out)
  hex_lines("${expected}" expected_lines)
  hex_lines("${actual}" actual_lines)
  list(LENGTH expected_lines expected_count)
  list(LENGTH actual_lines actual_count)
  # The lines that both begin with, and then the lines that both end with.
  count_same("${expected_lines}" "${actual_lines}" 0 FALSE same_start)
  count_same("${expected_lines}" "${actual_lines}" ${same_start} TRUE same_end)
  # The hunk, with up to three lines of context either side.
  math(EXPR first "${same_start} - 3")
  if(first LESS 0)
    set(first 0)
  endif()
  math(EXPR expected_changed_end "${expected_count} - ${same_end}")
  math(EXPR actual_changed_end "${actual_count} - ${same_end}")
  math(EXPR after "${same_end}")
  if(after GREATER 3)
    set(after 3)
  endif()
  math(EXPR expected_end "${expected_changed_end} + ${after}")
  math(EXPR actual_end "${actual_changed_end} + ${after}")
  math(EXPR from "${first} + 1")
  math(EXPR expected_length "${expected_end} - ${first}")
  math(EXPR actual_length "${actual_end} - ${first}")
  set(hunk "--- ${expected_name}\n+++ ${actual_name}\n")
  string(APPEND hunk "@@ -${from},${expected_length} +${from},${actual_length} @@\n")
  append_lines(hunk " " "${expected_lines}" ${first} ${same_start})
  append_lines(hunk "-" "${expected_lines}" ${same_start} ${expected_changed_end})
  append_lines(hunk "+" "${actual_lines}" ${same_start} ${actual_changed_end})
  append_lines(hunk " " "${expected_lines}" ${expected_changed_end} ${expected_end})
  set(${out} "${hunk}" PARENT_SCOPE)
endfunction()
