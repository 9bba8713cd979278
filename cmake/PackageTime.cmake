# CPack project configuration, read by cpack before it packs: the time of
# the sources' commit (CPACK_FEDTAX_SOURCE_DATE_EPOCH, from the file
# SOURCE_DATE_EPOCH of a release's source tarball) for every file packed,
# unless cpack's environment sets SOURCE_DATE_EPOCH itself.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_FEDTAX_SOURCE_DATE_EPOCH}")
endif()
