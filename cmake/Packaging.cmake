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
  "and batches of files.")
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
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
