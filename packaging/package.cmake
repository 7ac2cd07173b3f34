# The Debian package, made by CPack from the project's install rules (cpack -G DEB in the build
# folder; tools/packagetest.sh builds, checks, installs and purges it). CPack rather than a
# debian/ folder with debhelper: the install rules stay the one list of what is installed, the
# package builds from the same build tree as the tests without a second build system, and the
# few things debhelper would add (maintainer scripts, shared library dependencies, stripping,
# compressed documentation) are small enough to state here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Norvane)
set(CPACK_PACKAGE_CONTACT "Norvane Support <support@norvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client of the Norvane VPN service")
set(CPACK_PACKAGE_DESCRIPTION
    "Norvane connects the computer to the Norvane VPN service: pick a server
and press CONNECT. The window runs as the desktop user and asks
norvane-helper, a small root service on the D-Bus system bus authorised by
polkit, to run OpenVPN. It can change the exit IP address, reconnects after
drops, lives in the system tray and speaks English, French and German.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.norvane.example/)
# The Qt 6 and QtKeychain libraries come from dpkg-shlibdeps; the SVG image plugin is loaded,
# not linked; the helper runs OpenVPN, is started by the system bus, asks polkit and keeps
# its firewall tables with nft.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, openvpn, dbus, polkitd, nftables")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/debian/postinst
    ${CMAKE_SOURCE_DIR}/packaging/debian/prerm
    ${CMAKE_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The program looks for its data under the prefix it was built for: a package of any other
# prefix than /usr would not find it.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackCheckPrefix.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
    "if(NOT \"${CMAKE_INSTALL_PREFIX}\" STREQUAL \"/usr\")\n"
    "    message(FATAL_ERROR \"The package needs a build with CMAKE_INSTALL_PREFIX=/usr (this one: ${CMAKE_INSTALL_PREFIX})\")\n"
    "endif()\n")
include(CPack)
