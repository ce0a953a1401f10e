# Run by CPack between installing into its staging folder and packing, to do what debhelper does
# for the package built from debian/, so that both packages hold the same files. Debian ships
# manual pages compressed, and documents larger than 4 kB too (the copyright file never), all with
# gzip -9n (no name or time stamp in the header), as dh_compress does.
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[1-9]")
file(GLOB_RECURSE documents "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/doc/*")
foreach(document IN LISTS documents)
  file(SIZE ${document} size)
  get_filename_component(name ${document} NAME)
  if(size GREATER 4096 AND NOT name STREQUAL "copyright" AND NOT name MATCHES "\\.gz$")
    list(APPEND pages ${document})
  endif()
endforeach()
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9n --force ${page} COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# CPack's strip leaves the compiler's .comment section, which dh_strip removes as well.
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
