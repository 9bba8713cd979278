# The WASI build's page, fedtax.html: the program made suspendable (so that
# a read can wait for typing on the page's own thread) by binaryen's
# asyncify pass, as fedtax-suspending.wasm, and put into web/fedtax.html
# with the page's scripts by cmake/InlinePage.cmake.

find_program(WASM_OPT wasm-opt)
if(NOT WASM_OPT)
  message(FATAL_ERROR "fedtax.html needs wasm-opt (Debian package binaryen)")
endif()

# Only fd_read waits; every other import returns at once. Indirect calls
# are kept in the pass (no asyncify-ignore-indirect): the program's reads go
# through the streams' virtual functions and the C library's FILE.
add_custom_command(
  OUTPUT fedtax-suspending.wasm
  COMMAND ${WASM_OPT} -O2 --asyncify --pass-arg=asyncify-imports@wasi_snapshot_preview1.fd_read
          $<TARGET_FILE:fedtax> -o fedtax-suspending.wasm
  DEPENDS fedtax
  COMMENT "Making the program suspendable for the page")

set(web_source ${PROJECT_SOURCE_DIR}/web)
set(page_inputs
  TEMPLATE=${web_source}/fedtax.html
  PROGRAM=${CMAKE_CURRENT_BINARY_DIR}/fedtax-suspending.wasm
  HOST_JS=${web_source}/wasi_host.js
  RULES_JS=${web_source}/rules.js
  PAGE_JS=${web_source}/page.js
  LICENSE=${PROJECT_SOURCE_DIR}/LICENSE)
set(page_files "")
set(page_definitions "")
foreach(input IN LISTS page_inputs)
  string(REGEX REPLACE "^[A-Z_]+=" "" file ${input})
  list(APPEND page_files ${file})
  list(APPEND page_definitions -D${input})
endforeach()
add_custom_command(
  OUTPUT fedtax.html
  COMMAND ${CMAKE_COMMAND} ${page_definitions} -DVERSION=${PROJECT_VERSION}
          -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/fedtax.html
          -P ${PROJECT_SOURCE_DIR}/cmake/InlinePage.cmake
  DEPENDS ${page_files} ${PROJECT_SOURCE_DIR}/cmake/InlinePage.cmake
  COMMENT "Making fedtax.html")
add_custom_target(fedtax_page ALL DEPENDS fedtax.html)
