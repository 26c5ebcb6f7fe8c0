# What makes Tarnwick a desktop application (menu entry, icons, AppStream metainfo, manual
# page, documentation) and the Debian package of the whole install, built by CPack
# (scripts/package.sh). The package's paths are those of the configure step, so a package
# is built from a tree configured with CMAKE_INSTALL_PREFIX=/usr.
set(_here ${CMAKE_CURRENT_LIST_DIR})
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/tarnwick)

install(FILES ${_here}/desktop/tarnwick.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_here}/icons/hicolor/scalable/apps/tarnwick.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${_here}/icons/hicolor/symbolic/apps/tarnwick-symbolic.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/symbolic/apps)
install(FILES ${_here}/metainfo/com.lorvens.Tarnwick.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants the manual page and the changelog compressed, reproducibly (-n: no time stamp).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(_gz ${CMAKE_CURRENT_BINARY_DIR}/tarnwick.1.gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${_gz}
    COMMAND ${GZIP_PROGRAM} -9nc ${_here}/man/tarnwick.1 > tarnwick.1.gz
    COMMAND ${GZIP_PROGRAM} -9nc ${_here}/deb/changelog > changelog.gz
    DEPENDS ${_here}/man/tarnwick.1 ${_here}/deb/changelog
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} VERBATIM)
add_custom_target(tarnwick_compressed_docs ALL DEPENDS ${_gz})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tarnwick.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz ${_here}/deb/copyright DESTINATION ${_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VENDOR Lorvens)
set(CPACK_PACKAGE_CONTACT "Tarnwick developers <tarnwick@lorvens.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps SMB network shares mounted from the system tray")
# Wrapped by hand: CPack puts the lines into the control file as they are.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Tarnwick keeps a list of SMB servers and the shares to keep mounted on each,\n"
    "and mounts them through GVFS shortly after login, after a server reboot, a\n"
    "network change or a suspend. Its tray icon shows every share as mounted, busy\n"
    "or idle and mounts or unmounts it; the settings window finds the SMB servers\n"
    "announced on the network.\n"
    "Tarnwick stores no passwords: it uses the logins the file manager keeps in the\n"
    "desktop's Secret Service. A small helper, started by the D-Bus system bus on\n"
    "demand, removes empty leftover mount-point directories.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tarnwick.lorvens.com)
# Libraries come from dpkg-shlibdeps; the rest is what Tarnwick loads or runs: Qt's platform
# and SVG plugins, and gio for every mount.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, libglib2.0-bin")
# Without these Tarnwick starts but cannot mount SMB (GVFS backends, FUSE paths), list
# shares (smbclient), find a login (a Secret Service provider), discover servers (avahi),
# run natively on Wayland, reach its helper (the system bus) or use a domain ticket (klist).
string(CONCAT CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "gvfs-backends, gvfs-fuse, smbclient, gnome-keyring | libkf5wallet-bin | keepassxc, "
    "avahi-daemon, libnss-mdns, qt6-wayland, dbus, krb5-user")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gnome-shell-extension-appindicator")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_here}/deb/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
