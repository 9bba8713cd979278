# What `cmake --install` puts in one folder on Windows, and the zip that
# `cpack` makes of it (fedtax-VERSION-win64.zip): fedtax.exe, and beside it
# README.txt for a Windows user, LICENSE.txt, CHANGELOG.txt and, where groff
# is found, the manual as plain text, fedtax.txt; the texts with CR LF line
# ends.
install(TARGETS fedtax RUNTIME DESTINATION .)

find_program(GROFF_PROGRAM groff)
set(windows_text_dir ${CMAKE_BINARY_DIR}/windows)
set(windows_texts "")
# Each text from its source, with the version in place of @VERSION@; MANUAL
# renders a manual page.
function(add_windows_text name source)
  set(render -DVERSION=${PROJECT_VERSION})
  if(ARGN STREQUAL "MANUAL")
    list(APPEND render -DGROFF=${GROFF_PROGRAM})
  endif()
  set(out ${windows_text_dir}/${name})
  add_custom_command(OUTPUT ${out}
                     COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/${source} -DOUT=${out}
                             ${render} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/WindowsText.cmake
                     DEPENDS ${PROJECT_SOURCE_DIR}/${source}
                             ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/WindowsText.cmake
                     COMMENT "Writing ${name}" VERBATIM)
  set(windows_texts ${windows_texts} ${out} PARENT_SCOPE)
endfunction()

add_windows_text(README.txt doc/windows-readme.txt)
add_windows_text(LICENSE.txt LICENSE)
add_windows_text(CHANGELOG.txt CHANGELOG)
if(GROFF_PROGRAM)
  add_windows_text(fedtax.txt doc/fedtax.1 MANUAL)
else()
  message(STATUS "No groff: the zip will hold no fedtax.txt")
endif()
add_custom_target(windows_texts ALL DEPENDS ${windows_texts})
install(FILES ${windows_texts} DESTINATION .)
