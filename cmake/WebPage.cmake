# The WASI build's page, fedtax.html: the program made suspendable (so that
# a read can wait for typing on the page's own thread) by binaryen's
# asyncify pass, as fedtax-suspending.wasm, and put into web/fedtax.html
# with xterm.js and the page's scripts by cmake/InlinePage.cmake. xterm.js
# comes from npm, at the versions that web/package-lock.json pins, into
# web/node_modules of the build folder, with the accessibility checker that
# the page's test uses.

find_program(WASM_OPT wasm-opt)
find_program(NPM npm)
if(NOT WASM_OPT OR NOT NPM)
  message(FATAL_ERROR "fedtax.html needs wasm-opt and npm (Debian packages binaryen and npm, "
                      "or Node.js's own npm)")
endif()

set(web ${CMAKE_BINARY_DIR}/web)
set(web_source ${PROJECT_SOURCE_DIR}/web)
configure_file(${web_source}/package.json ${web}/package.json COPYONLY)
configure_file(${web_source}/package-lock.json ${web}/package-lock.json COPYONLY)
# npm ci again only when the lockfile has changed since it last ran.
file(SHA256 ${web}/package-lock.json lock_hash)
set(lock_stamp ${web}/node_modules/.fedtax-lock-sha256)
if(EXISTS ${lock_stamp})
  file(READ ${lock_stamp} installed_hash)
endif()
if(NOT "${installed_hash}" STREQUAL "${lock_hash}")
  message(STATUS "Installing the page's npm packages (npm ci)")
  execute_process(COMMAND ${NPM} ci --ignore-scripts --no-audit --no-fund --no-update-notifier
                  WORKING_DIRECTORY ${web} RESULT_VARIABLE npm_status)
  if(NOT npm_status EQUAL 0)
    message(FATAL_ERROR "npm ci failed in ${web}: fedtax.html needs the npm registry, or npm's cache")
  endif()
  file(WRITE ${lock_stamp} ${lock_hash})
endif()
set(FEDTAX_NODE_MODULES ${web}/node_modules)

# Only fd_read waits; every other import returns at once. Indirect calls
# are kept in the pass (no asyncify-ignore-indirect): the program's reads go
# through the streams' virtual functions and the C library's FILE.
add_custom_command(
  OUTPUT fedtax-suspending.wasm
  COMMAND ${WASM_OPT} -O2 --asyncify --pass-arg=asyncify-imports@wasi_snapshot_preview1.fd_read
          $<TARGET_FILE:fedtax> -o fedtax-suspending.wasm
  DEPENDS fedtax
  COMMENT "Making the program suspendable for the page")

set(xterm ${FEDTAX_NODE_MODULES}/@xterm/xterm)
set(fit ${FEDTAX_NODE_MODULES}/@xterm/addon-fit)
set(page_inputs
  TEMPLATE=${web_source}/fedtax.html
  PROGRAM=${CMAKE_CURRENT_BINARY_DIR}/fedtax-suspending.wasm
  XTERM_CSS=${xterm}/css/xterm.css
  XTERM_JS=${xterm}/lib/xterm.js
  FIT_JS=${fit}/lib/addon-fit.js
  HOST_JS=${web_source}/wasi_host.js
  PAGE_JS=${web_source}/page.js
  FEDTAX_LICENSE=${PROJECT_SOURCE_DIR}/LICENSE
  XTERM_LICENSE=${xterm}/LICENSE
  FIT_LICENSE=${fit}/LICENSE)
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
