# Builds the Windows zip and checks it: the files it holds, that its texts
# are for Windows, that fedtax.exe imports only Windows' own DLLs and
# carries the version, and that it runs an entry from the unpacked folder,
# with nothing else beside it.
#   cmake -DCPACK=<cpack> -DCONFIG=<CPackConfig.cmake> -DOUT=<dir>
#         -DVERSION=<version> -DOBJDUMP=<objdump> -DLICENCE=<LICENSE>
#         -DCASE=<transcript> -DRUNNER=<run_transcript.cmake>
#         -DEMULATOR=<wine command> -P check_windows_zip.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/run_command.cmake)

file(REMOVE_RECURSE "${OUT}")
run("${CPACK}" --config "${CONFIG}" -G ZIP -B "${OUT}")
set(unpacked "${OUT}/unpacked")
file(MAKE_DIRECTORY "${unpacked}")
run(${CMAKE_COMMAND} -E chdir "${unpacked}" ${CMAKE_COMMAND} -E tar xf
    "${OUT}/fedtax-${VERSION}-win64.zip")
set(folder "${unpacked}/fedtax-${VERSION}-win64")
file(GLOB_RECURSE files RELATIVE "${unpacked}" "${unpacked}/*")
list(SORT files)
set(expected CHANGELOG.txt LICENSE.txt README.txt fedtax.exe fedtax.txt)
list(TRANSFORM expected PREPEND "fedtax-${VERSION}-win64/")
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "the zip holds\n  ${files}\nexpected\n  ${expected}")
endif()

# The manual is the Windows one, and neither text gives a Unix user's advice
# (README.txt may compare the two systems, the manual does not).
set(unix_words "Ctrl-D|SIG[A-Z]|ulimit|/dev/|stty|printf|nohup|bash")
file(READ "${folder}/fedtax.txt" manual)
file(READ "${folder}/README.txt" readme)
string(REGEX MATCHALL "Unix|terminal|${unix_words}" in_manual "${manual}")
string(REGEX MATCHALL "${unix_words}" in_readme "${readme}")
if(in_manual OR in_readme)
  message(FATAL_ERROR "the texts speak of Unix: fedtax.txt ${in_manual}, README.txt ${in_readme}")
endif()
if(NOT readme MATCHES "fedtax-${VERSION}-win64>")
  message(FATAL_ERROR "README.txt does not show the folder fedtax-${VERSION}-win64")
endif()

set(program "${folder}/fedtax.exe")
run("${OBJDUMP}" -p "${program}")
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${out}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
foreach(dll IN LISTS imports)
  if(NOT dll MATCHES "^(KERNEL32|msvcrt|ucrtbase|api-ms-win-crt-.*)\\.dll$")
    message(FATAL_ERROR "fedtax.exe imports ${dll}, which Windows does not have: ${imports}")
  endif()
endforeach()

# The version resource's texts are UTF-16; only the ones wanted are read, as
# other bytes taken for text could hold brackets, which upset CMake's lists.
file(STRINGS "${program}" texts ENCODING UTF-16LE REGEX "^(Copyright |fedtax|[0-9]+\\.)")
file(STRINGS "${LICENCE}" copyright REGEX "^Copyright " LIMIT_COUNT 1)
foreach(text IN ITEMS "${VERSION}" "${copyright}. MIT licence." "fedtax.exe")
  if(NOT text IN_LIST texts)
    message(FATAL_ERROR "fedtax.exe has no version resource text \"${text}\"")
  endif()
endforeach()

# The emulator's command stays one argument through run().
string(REPLACE ";" "\\;" emulator "${EMULATOR}")
run(${CMAKE_COMMAND} -DPROGRAM=${program} -DCASE=${CASE} -DWINDOWS=ON "-DEMULATOR=${emulator}"
    -DACTUAL=${OUT}/one_entry.actual -P "${RUNNER}")
