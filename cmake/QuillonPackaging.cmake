# Debian packages, made by scripts/package.sh with "cpack -G DEB":
#   quillon         the program, the scanner simulator and the desktop files
#   libtalvex1      the Talvex shared library
#   libtalvex-dev   its header, linker name, pkg-config file and CMake package
# Shared-library dependencies are found by dpkg-shlibdeps; only what it cannot
# see is named here (the font, and Qt's Wayland plugin, which is loaded at run
# time and so stays a recommendation). What CPack's DEB generator cannot do
# (strip the compiler's notes, Multi-Arch, one ldconfig run, Installed-Size as
# dpkg counts it) two scripts do around it.

# Installing (and so cpack) builds nothing by itself: scripts/package.sh
# builds only what the packages hold, not the whole test suite.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(debian_dir ${PROJECT_SOURCE_DIR}/res/debian)
quillon_gzip(TARGET debian-changelog OUTPUT_VAR changelog_gz DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/debian
  FILES ${debian_dir}/changelog)

set(quillon_package_names quillon libtalvex1 libtalvex-dev)
set(quillon_package_components quillon talvex talvex_dev)
# A package whose version has a Debian revision keeps its changelog under
# the Debian name.
foreach(package component IN ZIP_LISTS quillon_package_names quillon_package_components)
  install(FILES ${debian_dir}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  install(FILES ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
    RENAME changelog.Debian.gz COMPONENT ${component})
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The Debian revision: the first packaging of this upstream version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(quillon_deb_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_PACKAGE_VENDOR "The Quillon developers")
set(CPACK_PACKAGE_CONTACT "The Quillon developers <dev@quillon.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${quillon_package_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE quillon)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/QuillonDebStage.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/QuillonDebFinish.cmake)
set(CPACK_QUILLON_OBJCOPY ${CMAKE_OBJCOPY})
set(CPACK_QUILLON_FINISH_DEB ${PROJECT_SOURCE_DIR}/cmake/finish-deb.sh)
# The library and its development files install side by side for several
# architectures: every path that differs between them holds the triplet.
set(CPACK_QUILLON_MULTIARCH_SAME libtalvex1 libtalvex-dev)

set(CPACK_DEBIAN_QUILLON_PACKAGE_SECTION utils)
install(FILES ${debian_dir}/quillon.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME quillon COMPONENT quillon)
set(CPACK_DEBIAN_QUILLON_PACKAGE_DEPENDS fonts-wqy-microhei)
set(CPACK_DEBIAN_QUILLON_PACKAGE_RECOMMENDS qtwayland5)
set(CPACK_DEBIAN_QUILLON_DESCRIPTION "serial barcode and identity-card scanner as a keyboard
Quillon turns a barcode and identity-card scanner on a serial port into a
keyboard. It identifies the scanner, logs every block it sends in hexadecimal
and types the blocks into whatever window has the keyboard focus. Identity
cards are split into eleven fields, of which the operator chooses the ones to
type, their order, separators and date format.
.
This package also contains quillon-scanner-sim, which plays a scanner on a
pseudo-terminal for trying Quillon without one.")

set(CPACK_DEBIAN_TALVEX_PACKAGE_SECTION libs)
# Only libtalvex1 holds a shared library, so only it gets a shlibs file.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The control files keep their Debian names inside the package.
foreach(control triggers symbols)
  configure_file(${debian_dir}/libtalvex1.${control} ${CMAKE_CURRENT_BINARY_DIR}/debian/libtalvex1/${control} COPYONLY)
  list(APPEND CPACK_DEBIAN_TALVEX_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/libtalvex1/${control})
endforeach()
set(CPACK_DEBIAN_TALVEX_DESCRIPTION "RSA encryption of short messages in PKCS#1 v1.5 blocks
Talvex encrypts and decrypts messages of up to 245 bytes with 2048-bit RSA
keys in PKCS#1 v1.5 type-2 blocks, through four functions on caller-owned
buffers, with its own big-number arithmetic. It needs only the C library.
.
This package contains the shared library.")

set(CPACK_DEBIAN_TALVEX_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TALVEX_DEV_PACKAGE_DEPENDS "libtalvex1 (= ${quillon_deb_version})")
set(CPACK_DEBIAN_TALVEX_DEV_DESCRIPTION "RSA encryption of short messages in PKCS#1 v1.5 blocks - development files
Talvex encrypts and decrypts messages of up to 245 bytes with 2048-bit RSA
keys in PKCS#1 v1.5 type-2 blocks, through four functions on caller-owned
buffers, with its own big-number arithmetic. It needs only the C library.
.
This package contains the header, the pkg-config file and the CMake package
(find_package(Talvex) gives the target Talvex::talvex).")

include(CPack)
