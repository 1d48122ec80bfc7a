# The Debian package: CPack stages the install rules under /usr (the
# settings file under /etc/xdg) and dpkg-shlibdeps finds the libraries the
# binaries need. ./build.sh package makes it.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marrowgate)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MG_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "setup wizard for Quillmark KV700 ISDN routers")
set(CPACK_PACKAGE_DESCRIPTION [[
Marrowgate fills in the configuration of a Quillmark KV700 or KV700/700L
router in one window (in Japanese): the line type, the Ethernet side,
dial-up destinations, static routes, address translation, Syslog, the DHCP
server and the analog ports. It checks the entries, generates the router's
command script and installs it on the router over the serial console, or
over the LAN with Telnet and a built-in TFTP server.
.
A small helper gets the capability to open UDP port 69 at installation
and hands that one socket to the program, so that every user can use the
LAN path while the program itself holds no privilege.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The settings file lives under /etc whatever the prefix: stage it under
# the package root too, not on the building machine.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MG_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# setcap for the port 69 helper's capability; Qt's own Japanese button captions;
# a font that has Japanese at all.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcap2-bin, qt6-translations-l10n, fonts-noto-cjk | fonts-japanese-gothic")
configure_file(${CMAKE_CURRENT_LIST_DIR}/conffiles.in ${PROJECT_BINARY_DIR}/packaging/control/conffiles @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_CURRENT_LIST_DIR}/postinst
  ${PROJECT_BINARY_DIR}/packaging/control/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
