# Makes fedtax.html from its template (cmake -P, with each -DNAME=FILE of
# cmake/WebPage.cmake, VERSION and OUTPUT): each {{NAME}} of the template
# becomes that file's text, PROGRAM the program gzip-compressed (gzip -n, no
# name or time in it) in base64, LICENSE_TEXT fedtax's licence. The same inputs
# give the same bytes.
cmake_minimum_required(VERSION 3.20)

function(read_text name out)
  file(READ "${${name}}" text)
  string(TOLOWER "${text}" lower)
  foreach(breaks_the_page "</script" "</style" "<!--")
    string(FIND "${lower}" "${breaks_the_page}" found)
    if(NOT found EQUAL -1)
      message(FATAL_ERROR "${${name}} holds ${breaks_the_page}, which would end its element")
    endif()
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND gzip -9 -n -c "${PROGRAM}" OUTPUT_FILE "${OUTPUT}.wasm.gz"
                RESULT_VARIABLE status)
if(status EQUAL 0)
  execute_process(COMMAND base64 -w 76 "${OUTPUT}.wasm.gz" OUTPUT_VARIABLE program
                  RESULT_VARIABLE status)
endif()
file(REMOVE "${OUTPUT}.wasm.gz")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "could not compress ${PROGRAM} (gzip, base64)")
endif()
string(STRIP "${program}" program)

file(READ "${LICENSE}" licenses)
string(STRIP "${licenses}" licenses)
if(licenses MATCHES "--")
  message(FATAL_ERROR "${LICENSE} holds --, which a comment may not")
endif()
string(PREPEND licenses "The licence of fedtax\n\n")

file(READ "${TEMPLATE}" page)
string(REPLACE "{{VERSION}}" "${VERSION}" page "${page}")
string(REPLACE "{{LICENSE_TEXT}}" "${licenses}" page "${page}")
string(REPLACE "{{PROGRAM}}" "${program}" page "${page}")
set(scripts HOST_JS RULES_JS PAGE_JS)
string(REGEX MATCHALL "{{[A-Z_]+}}" left "${page}")
foreach(name IN LISTS left)
  string(REGEX REPLACE "[{}]" "" name "${name}")
  if(NOT name IN_LIST scripts)
    message(FATAL_ERROR "${TEMPLATE}: {{${name}}} has no file")
  endif()
endforeach()
foreach(name IN LISTS scripts)
  read_text(${name} text)
  string(STRIP "${text}" text)
  string(REPLACE "{{${name}}}" "${text}" page "${page}")
endforeach()
file(WRITE "${OUTPUT}" "${page}")
