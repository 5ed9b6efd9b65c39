# quillon_wayland_protocols(target xml...)
#
# Generates the client code of Wayland protocol descriptions with
# wayland-scanner at build time and adds it to target: for each NAME.xml a
# header NAME-client.h (on the target's include path) and NAME-protocol.c.
find_package(PkgConfig REQUIRED)
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET GLOBAL wayland-client)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)

function(quillon_wayland_protocols target)
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-protocols)
  file(MAKE_DIRECTORY ${out_dir})
  foreach(xml IN LISTS ARGN)
    get_filename_component(name ${xml} NAME_WE)
    set(header ${out_dir}/${name}-client.h)
    set(code ${out_dir}/${name}-protocol.c)
    add_custom_command(OUTPUT ${header}
      COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
      DEPENDS ${xml} VERBATIM)
    add_custom_command(OUTPUT ${code}
      COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
      DEPENDS ${xml} VERBATIM)
    target_sources(${target} PRIVATE ${header} ${code})
  endforeach()
  target_include_directories(${target} PRIVATE ${out_dir})
  target_link_libraries(${target} PRIVATE PkgConfig::WAYLAND_CLIENT)
endfunction()
