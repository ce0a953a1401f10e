# Run by CPack between installing into its staging folder and packing: Debian ships manual pages
# compressed with gzip -9n (no name or time stamp in the header).
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[1-9]")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9n --force ${page} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
