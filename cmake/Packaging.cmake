# The Debian package: `cpack --config build/CPackConfig.cmake`, or scripts/package.sh.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME scrivane)
set(CPACK_PACKAGE_VENDOR "${SCRIVANE_MAKER_NAME}")
set(CPACK_PACKAGE_CONTACT "${SCRIVANE_MAKER_NAME} <${SCRIVANE_MAKER_MAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plain text to HTML converter")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Scrivane turns plain text into HTML: a web page or a fragment in one of six\n"
  "formats (paragraphs, line breaks, preformatted text, a list, a table or a\n"
  "drop-down of links), with web addresses, host names and e-mail addresses\n"
  "made links. It has a window, and the scrivane-convert command for pipelines\n"
  "and batches of files.\n"
  "The package also holds the engine as a C library (libscrivane.so.1, its\n"
  "header, pkg-config file and CMake package) and the Python 3 module scrivane.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://scrivane.example.org/")
# Library dependencies come from dpkg-shlibdeps; the window also needs a Qt
# platform plugin, which no library names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# One package: the programs, and the library with what building against it needs.
# The Python module is for Debian's python3; Dask spreads it over a cluster.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3 (>= 3.11), python3-distributed")
if(SCRIVANE_BUILD_LIBRARY)
  # What a package built against the library depends on (written by hand: CPack's
  # own would warn about the window and Python modules, which have no SONAME).
  file(WRITE ${CMAKE_BINARY_DIR}/debian/shlibs
       "libscrivane ${SCRIVANE_ABI_VERSION} scrivane (>= ${PROJECT_VERSION})\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/shlibs)
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
