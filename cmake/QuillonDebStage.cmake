# Run by CPack on the staged files before it makes the packages: the
# compiler's ".comment" note leaves every program and library, as Debian's
# own packaging strips it. Done here, so that the packages' checksums and
# sizes are those of the files shipped.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path IN LISTS staged)
  if(IS_SYMLINK "${path}")
    continue()
  endif()
  file(READ "${path}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46") # ELF
    execute_process(COMMAND "${CPACK_QUILLON_OBJCOPY}" --remove-section=.comment "${path}"
      RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "cannot remove .comment from ${path}")
    endif()
  endif()
endforeach()
