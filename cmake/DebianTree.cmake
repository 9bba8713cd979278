# CPack pre-build script: puts the staged files in the form a Debian package
# carries them, just before they are packed. `cmake --install` leaves the
# files as they are.
#   - fedtax.1 and changelog are compressed with gzip -9n (no name, no time
#     stamp, so that the package is the same from one build to the next);
#   - LICENSE becomes copyright, in Debian's machine-readable format;
#   - every directory is 0755, whatever the umask of whoever packages it
#     (the staging makes directories through the umask);
#   - for another processor, the dependencies are worked out here rather
#     than by CPack (see the end).
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

function(find_staged name result)
  file(GLOB_RECURSE found "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${name}")
  list(LENGTH found count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one ${name} under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}, "
                        "found: ${found}")
  endif()
  set(${result} "${found}" PARENT_SCOPE)
endfunction()

foreach(name IN ITEMS fedtax.1 changelog)
  find_staged(${name} file)
  execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip ${file} failed: ${status}")
  endif()
endforeach()

# The licence's own text is the paragraph of the copyright file, each line
# indented by one blank and each empty line written as " .".
find_staged(LICENSE licence)
file(READ "${licence}" text)
string(FIND "${text}" "Permission is hereby granted" start)
if(NOT text MATCHES "Copyright \\(c\\) ([^\n]+)" OR start EQUAL -1)
  message(FATAL_ERROR "${licence} is not the MIT licence with its copyright line")
endif()
set(holders "${CMAKE_MATCH_1}")
string(SUBSTRING "${text}" ${start} -1 terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REGEX REPLACE "([^\n]*)\n" " \\1\n" terms "${terms}")

get_filename_component(docdir "${licence}" DIRECTORY)
file(WRITE "${docdir}/copyright"
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: ${CPACK_PACKAGE_NAME}\n"
     "\n"
     "Files: *\n"
     "Copyright: ${holders}\n"
     "License: Expat\n"
     "${terms}")
file(CHMOD "${docdir}/copyright" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(REMOVE "${licence}")

file(CHMOD_RECURSE "${CPACK_TEMPORARY_INSTALL_DIRECTORY}"
     DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                           WORLD_READ WORLD_EXECUTE)

# A package for another processor (cmake/DebianCross.cmake). dpkg-shlibdeps
# finds the target's libraries only where it is told, under
# /usr/TRIPLET/lib, which Debian's cross packages hold, and names the
# packages as those say: libc6:arm64, libgcc-s1-arm64-cross. On the target
# they are libc6 and libgcc-s1.
if(CPACK_FEDTAX_TARGET_LIBRARIES)
  find_staged(fedtax program)
  # dpkg-shlibdeps runs where a debian/control file is, outside the staged
  # files so that it is not packed.
  set(scratch "${CPACK_TOPLEVEL_DIRECTORY}/target-depends")
  file(MAKE_DIRECTORY "${scratch}/debian")
  file(WRITE "${scratch}/debian/control" "")
  execute_process(COMMAND dpkg-shlibdeps -l${CPACK_FEDTAX_TARGET_LIBRARIES} -O "${program}"
                  WORKING_DIRECTORY "${scratch}"
                  OUTPUT_VARIABLE depends ERROR_VARIABLE errors RESULT_VARIABLE status
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  file(REMOVE_RECURSE "${scratch}")
  if(NOT status EQUAL 0 OR NOT depends MATCHES "^shlibs:Depends=")
    message(FATAL_ERROR "dpkg-shlibdeps failed (${status}) on ${program}:\n${errors}")
  endif()
  set(arch "${CPACK_DEBIAN_PACKAGE_ARCHITECTURE}")
  string(REGEX REPLACE "^shlibs:Depends=" "" depends "${depends}")
  string(REGEX REPLACE "(:${arch}|-${arch}-cross)( |,|$)" "\\2" depends "${depends}")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${depends}")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
endif()
