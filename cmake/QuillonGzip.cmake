# quillon_gzip(TARGET name OUTPUT_VAR var DIRECTORY dir FILES src...)
#
# Compresses each file into DIRECTORY as NAME.gz the way Debian ships manual
# pages and changelogs (best compression, no name or time stamp, so the
# packages come out the same from the same sources), under one target that
# is part of the default build. VAR receives the compressed paths.
function(quillon_gzip)
  cmake_parse_arguments(G "" "TARGET;OUTPUT_VAR;DIRECTORY" "FILES" ${ARGN})
  set(outputs "")
  foreach(src IN LISTS G_FILES)
    get_filename_component(name ${src} NAME)
    set(gz ${G_DIRECTORY}/${name}.gz)
    add_custom_command(OUTPUT ${gz}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${G_DIRECTORY}
      COMMAND sh -c "gzip -9n < '${src}' > '${gz}'"
      DEPENDS ${src}
      VERBATIM)
    list(APPEND outputs ${gz})
  endforeach()
  add_custom_target(${G_TARGET} ALL DEPENDS ${outputs})
  set(${G_OUTPUT_VAR} ${outputs} PARENT_SCOPE)
endfunction()
