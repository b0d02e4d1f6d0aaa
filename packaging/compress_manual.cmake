# Run by CPack between staging the files and building the package: Debian
# packages carry manual pages compressed with gzip -9n (no name, no time).
file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/*.[1-9]")
if(NOT pages)
  message(FATAL_ERROR "no manual page staged under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
foreach(page ${pages})
  execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE result)
  if(result)
    message(FATAL_ERROR "gzip failed on ${page}: ${result}")
  endif()
endforeach()
