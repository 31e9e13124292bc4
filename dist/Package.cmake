# The Debian package: one package with every installed file, its library dependencies
# computed from the binaries (dpkg-shlibdeps), binaries stripped.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarlink)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quarlink developers")
set(CPACK_PACKAGE_CONTACT "The Quarlink developers <quarlink@quarlink.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "configuration tool for the wireless-LAN module of a printer")
# Debian's checks want the lines of the extended description no longer than 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Reads every network and WLAN setting of the wireless-LAN module built into
a printer over the serial port the printer is attached to, shows them on one
form for editing, and writes them back. Includes a simulated module on a
pseudo-terminal for trying it without a printer.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUARLINK_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
if(QUARLINK_HOMEPAGE)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUARLINK_HOMEPAGE})
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR})
include(CPack)
