# What `cmake --install` puts in one folder on Windows, and the zip that
# `cpack` makes of it (fedtax-VERSION-win64.zip): fedtax.exe, and beside it
# README.txt for a Windows user, LICENSE.txt, CHANGELOG.txt and, where groff
# is found, the manual as plain text, fedtax.txt; the texts with CR LF line
# ends, which every Windows editor shows as lines.
install(TARGETS fedtax RUNTIME DESTINATION .)

set(windows_texts ${CMAKE_BINARY_DIR}/windows)
set(VERSION ${PROJECT_VERSION})
configure_file(doc/windows-readme.txt ${windows_texts}/README.txt @ONLY NEWLINE_STYLE CRLF)
foreach(text IN ITEMS LICENSE CHANGELOG)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${text})
  file(READ ${text} content)
  string(REPLACE "\n" "\r\n" content "${content}")
  file(WRITE ${windows_texts}/${text}.txt "${content}")
endforeach()
install(FILES ${windows_texts}/README.txt ${windows_texts}/LICENSE.txt
              ${windows_texts}/CHANGELOG.txt DESTINATION .)

# The manual page rendered as plain ASCII (no bold or underline by
# overstriking or escape sequences) at 80 columns, its Windows branches
# taken; any warning is an error. Rendered again when the page changes.
find_program(GROFF_PROGRAM groff)
if(GROFF_PROGRAM)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS doc/fedtax.1)
  execute_process(COMMAND ${GROFF_PROGRAM} -t -man -Tascii -P-cbou -rwindows=1 -ww
                          ${PROJECT_SOURCE_DIR}/doc/fedtax.1
                  OUTPUT_VARIABLE manual ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
    message(FATAL_ERROR "groff failed on doc/fedtax.1 (${status}): ${errors}")
  endif()
  string(REPLACE "\n" "\r\n" manual "${manual}")
  file(WRITE ${windows_texts}/fedtax.txt "${manual}")
  install(FILES ${windows_texts}/fedtax.txt DESTINATION .)
else()
  message(STATUS "No groff: the zip will hold no fedtax.txt")
endif()
