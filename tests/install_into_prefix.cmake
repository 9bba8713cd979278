# Installs the build into an empty scratch prefix, as a user would with
# `cmake --install build --prefix P`, and checks that the program and its
# manual page are where a shell and man look for them, that the licence and
# the changelog are in the documentation folder, and that the changelog's
# newest entry is the version being installed.
#   cmake -DBUILD=<build> -DPREFIX=<scratch> -DPROGRAM=<P/bin/fedtax>
#         -DPAGE=<P/share/man/man1/fedtax.1> -DDOCDIR=<P/share/doc/fedtax>
#         -DVERSION=<version> -P install_into_prefix.cmake
cmake_minimum_required(VERSION 3.20)

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${log}")
endif()
foreach(installed IN ITEMS "${PROGRAM}" "${PAGE}" "${DOCDIR}/LICENSE" "${DOCDIR}/changelog")
  if(NOT EXISTS "${installed}")
    message(FATAL_ERROR "not installed: ${installed}\n${log}")
  endif()
endforeach()

# The first line of a Debian-format changelog: "fedtax (VERSION) ...".
file(STRINGS "${DOCDIR}/changelog" newest LIMIT_COUNT 1)
string(REPLACE "." "\\." version_pattern "${VERSION}")
if(NOT newest MATCHES "^fedtax \\(${version_pattern}\\) ")
  message(FATAL_ERROR "the changelog's newest entry is not version ${VERSION}:\n${newest}")
endif()
