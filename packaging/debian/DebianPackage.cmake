# The Debian package: `cpack -G DEB` in a build folder (scripts/package does it all) makes
# lockwarden_<version>_<arch>.deb from the install rules. Debian's own files (copyright, changelog, lintian
# overrides) and its gzipped manual pages are added to the staged tree by StageDebianFiles.cmake.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lockwarden)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Fernhollow Software")
set(CPACK_PACKAGE_CONTACT "Fernhollow Software <support@fernhollow.example>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_PACKAGE_HOMEPAGE_URL https://fernhollow.example/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps your website logins in one file, sealed with your password")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/description)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# A version with no Debian revision: Fernhollow both writes and packages Lockwarden (a native package).
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# Libraries come from dpkg-shlibdeps on the binaries. Qt loads its platform plugin (xcb) and the SVG image
# plugin at run time, which no binary names, so those two packages are the only ones listed by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
# Qt's Wayland platform plugin (without it a Wayland desktop runs the window through its X11 bridge), and
# wl-clipboard, whose wl-copy clears a clipboard that the compositor would not let a window in the background clear.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, wl-clipboard")

# No maintainer scripts. desktop-file-utils, shared-mime-info and hicolor-icon-theme watch
# /usr/share/applications, /usr/share/mime/packages and /usr/share/icons/hicolor with dpkg file triggers, so
# installing or removing our files there rebuilds the menu, MIME and icon caches; scripts of our own would
# only run the same tools again. Nothing is made at install time, so a purge leaves nothing behind.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Read by StageDebianFiles.cmake, which runs inside cpack.
set(CPACK_LOCKWARDEN_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR})
set(CPACK_LOCKWARDEN_BINDIR ${CMAKE_INSTALL_BINDIR})
set(CPACK_LOCKWARDEN_OBJCOPY ${CMAKE_OBJCOPY})
set(CPACK_LOCKWARDEN_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_LOCKWARDEN_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_LOCKWARDEN_METAINFO_DIR ${CMAKE_INSTALL_DATADIR}/metainfo)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/StageDebianFiles.cmake)

include(CPack)
