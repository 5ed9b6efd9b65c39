# Run by CPack on the packages it made: what its DEB generator cannot say
# itself is put into the control part (cmake/finish-deb.sh).
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${deb}" NAME)
  string(REGEX REPLACE "_.*" "" package "${name}")
  set(multiarch no)
  if(package IN_LIST CPACK_QUILLON_MULTIARCH_SAME)
    set(multiarch same)
  endif()
  execute_process(COMMAND sh "${CPACK_QUILLON_FINISH_DEB}" "${deb}" ${multiarch} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot finish ${deb}")
  endif()
endforeach()
