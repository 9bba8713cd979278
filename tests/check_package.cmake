# Builds the Debian package into a scratch folder and checks it: its
# metadata, that it holds the program, the compressed manual page and
# changelog and the copyright file in their usual places, that the packed
# program runs one entry, that the packed page and changelog are those of
# the source tree, that the copyright file holds the licence's terms whole,
# and that the page passes the manual-page checks (PAGE_CHECK, with MAN and
# GROFF). Lintian's verdict on the package is CI's to check.
#   cmake -DCPACK=<cpack> -DCONFIG=<build>/CPackConfig.cmake -DOUT=<scratch>
#         -DVERSION=<version> -DSOURCE_PAGE=<doc/fedtax.1>
#         -DSOURCE_CHANGELOG=<CHANGELOG> -DLICENCE=<LICENSE> -DMAN=<man>
#         -DGROFF=<groff> -DPAGE_CHECK=<check_man_page.cmake>
#         -DCASE=<transcripts>/one_entry -DRUNNER=<run_transcript.cmake>
#         -P check_package.cmake
cmake_minimum_required(VERSION 3.20)

include(${CMAKE_CURRENT_LIST_DIR}/run_command.cmake)

file(REMOVE_RECURSE "${OUT}")
# Packed with a strict umask, as some packagers have, which must not show in
# the package's permissions.
run(sh -c "umask 077 && exec \"$@\"" sh "${CPACK}" --config "${CONFIG}" -G DEB -B "${OUT}")
file(GLOB packages "${OUT}/*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${OUT}, found: ${packages}")
endif()

set(problems "")
foreach(field IN ITEMS "Package=fedtax" "Version=${VERSION}" "Section=utils"
                       "Maintainer=.+ <.+@.+>" "Depends=(.*, )?libc6 .*, libstdc\\+\\+6 .*|libc\\+\\+1.*, libc6 .*"
                       "Description=.+")
  string(REGEX MATCH "^[^=]+" name "${field}")
  string(REGEX REPLACE "^[^=]+=" "" pattern "${field}")
  run(dpkg-deb --field "${packages}" "${name}")
  string(STRIP "${out}" value)
  if(NOT value MATCHES "^(${pattern})$")
    string(APPEND problems "${name}: \"${value}\" does not match \"${pattern}\"\n")
  endif()
endforeach()

run(dpkg-deb --contents "${packages}")
string(REGEX MATCHALL "[^\n]+" entries "${out}")
foreach(entry IN LISTS entries)
  if(NOT entry MATCHES "^(drwxr-xr-x|-rwxr-xr-x|-rw-r--r--) root/root ")
    string(APPEND problems "not the usual owner and permissions: ${entry}\n")
  endif()
endforeach()
foreach(path IN ITEMS "./usr/bin/fedtax" "./usr/share/man/man1/fedtax.1.gz"
                      "./usr/share/doc/fedtax/changelog.gz" "./usr/share/doc/fedtax/copyright")
  string(FIND "${out}" " ${path}\n" at)
  if(at EQUAL -1)
    string(APPEND problems "the package does not hold ${path}:\n${out}\n")
  endif()
endforeach()

if(NOT problems STREQUAL "")
  message(FATAL_ERROR "${problems}")
endif()

set(root "${OUT}/root")
run(dpkg-deb -x "${packages}" "${root}")
run("${CMAKE_COMMAND}" -DPROGRAM=${root}/usr/bin/fedtax -DCASE=${CASE}
    -DACTUAL=${OUT}/one_entry.actual -P "${RUNNER}")

foreach(packed_source IN ITEMS "man/man1/fedtax.1.gz=${SOURCE_PAGE}"
                               "doc/fedtax/changelog.gz=${SOURCE_CHANGELOG}")
  string(REGEX REPLACE "=.*" "" packed "${packed_source}")
  string(REGEX REPLACE "^[^=]*=" "" source "${packed_source}")
  run(gzip -dc "${root}/usr/share/${packed}")
  file(READ "${source}" source_text)
  if(NOT out STREQUAL source_text)
    string(APPEND problems "the packed ${packed} differs from ${source}\n")
  endif()
endforeach()

# The copyright file's licence paragraph, with its one-blank indent and its
# " ." lines undone, must hold the licence's terms word for word. A line of
# blanks alone would end the paragraph early for a reader of the format.
file(READ "${root}/usr/share/doc/fedtax/copyright" copyright)
if(copyright MATCHES "\n[ \t]+\n")
  string(APPEND problems "the copyright file has a line of blanks alone:\n${copyright}\n")
endif()
string(REPLACE "\n .\n" "\n\n" copyright "${copyright}")
string(REPLACE "\n " "\n" copyright "${copyright}")
file(READ "${LICENCE}" licence)
string(FIND "${licence}" "Permission is hereby granted" start)
if(start EQUAL -1)
  message(FATAL_ERROR "${LICENCE} does not hold the MIT licence's terms")
endif()
string(SUBSTRING "${licence}" ${start} -1 terms)
string(FIND "${copyright}" "${terms}" at)
if(at EQUAL -1)
  string(APPEND problems "the copyright file does not hold the terms of ${LICENCE}\n")
endif()
run("${CMAKE_COMMAND}" -DMAN=${MAN} -DGROFF=${GROFF} -DMANDIR=${root}/usr/share/man
    -DVERSION=${VERSION} -P "${PAGE_CHECK}")

if(NOT problems STREQUAL "")
  message(FATAL_ERROR "${problems}")
endif()
