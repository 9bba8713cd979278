# The package that `cpack` makes in the build folder. On Debian, a Debian
# package: it holds what `cmake --install` installs, under /usr, with the
# documentation in Debian's form: the manual page and the changelog
# compressed, the licence as the copyright file. On Windows, a zip of the
# folder that cmake/WindowsZip.cmake describes.

set(FEDTAX_MAINTAINER "fedtax developers <fedtax@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME fedtax)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${FEDTAX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "federal income tax, one entry after another")
set(CPACK_PACKAGE_DESCRIPTION "\
fedtax is an interactive console program that computes the federal income
tax owed on a taxable income. For each entry the user types a nine-digit
Social Security number and a taxable income. The program applies a fixed
five-bracket progressive rate schedule, the US federal income tax rate
schedule for single filers of tax year 1997 (Schedule X), prints a
three-line report with the amounts to the cent, and asks whether another
entry follows. It computes no other year's tax and gives no tax advice.")
set(CPACK_STRIP_FILES ON)

# Every file packed carries the time SOURCE_DATE_EPOCH of cpack's
# environment, where it is set. A release's source tarball also carries its
# commit's time in the file SOURCE_DATE_EPOCH, which cpack takes where the
# environment sets none (cmake/PackageTime.cmake), so that a package built
# from it is the release's.
if(EXISTS ${PROJECT_SOURCE_DIR}/SOURCE_DATE_EPOCH)
  file(STRINGS ${PROJECT_SOURCE_DIR}/SOURCE_DATE_EPOCH CPACK_FEDTAX_SOURCE_DATE_EPOCH
       REGEX "^[0-9]+$" LIMIT_COUNT 1)
  if(NOT CPACK_FEDTAX_SOURCE_DATE_EPOCH)
    message(FATAL_ERROR "${PROJECT_SOURCE_DIR}/SOURCE_DATE_EPOCH holds no time in seconds")
  endif()
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageTime.cmake)
endif()

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FEDTAX_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Runs on the staged files just before they are packed.
  set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/DebianTree.cmake")
endif()

include(CPack)
