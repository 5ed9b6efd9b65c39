# Installing Talvex for Linux callers: the library with its SONAME link in the
# runtime component, and for developers the header, the linker name,
# talvex.pc and a CMake package that gives the imported target Talvex::talvex.
include(CMakePackageConfigHelpers)
set(TALVEX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Talvex)

install(TARGETS talvex EXPORT TalvexTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT talvex NAMELINK_COMPONENT talvex_dev)
install(FILES include/talvex.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT talvex_dev)
install(EXPORT TalvexTargets NAMESPACE Talvex:: DESTINATION ${TALVEX_CMAKE_DIR} COMPONENT talvex_dev)

write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TalvexConfigVersion.cmake
  VERSION ${TALVEX_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES TalvexConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/TalvexConfigVersion.cmake
  DESTINATION ${TALVEX_CMAKE_DIR} COMPONENT talvex_dev)

# talvex.pc names the prefix that the files are installed under, which is
# known only when they are installed (a package gets /usr whatever the build
# was configured with), so it is written then.
set(TALVEX_PC_STAGED ${CMAKE_CURRENT_BINARY_DIR}/pkgconfig/talvex.pc)
install(CODE "
  set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
  set(libdir_below_prefix \"${CMAKE_INSTALL_LIBDIR}\")
  set(includedir_below_prefix \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(version \"${TALVEX_VERSION}\")
  configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/talvex.pc.in\" \"${TALVEX_PC_STAGED}\" @ONLY)
" COMPONENT talvex_dev)
install(FILES ${TALVEX_PC_STAGED} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT talvex_dev)
