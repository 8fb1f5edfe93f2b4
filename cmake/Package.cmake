# What the Debian package installs, and how CPack builds it (tools/package.sh).
#
# Every path is written here, relative to the file system's root: the system's folders are not
# asked of pkg-config at build time (without a development package that answer is empty and a
# file would land under a wrong root). The product folders keep their layout under
# /usr/lib/pemblo, so each program finds the others by the same relative paths as in build/out.

set(PEMBLO_LIB usr/lib/pemblo)
set(PEMBLO_PACKAGING ${PROJECT_SOURCE_DIR}/tools/package)

# Programs and window libraries of the three product folders.
install(TARGETS Pemblo pemblo-lock pemblo-config pemblo-guard RUNTIME DESTINATION ${PEMBLO_LIB}/Pemblo)
install(TARGETS PembloManage Penalta Quillo LIBRARY DESTINATION ${PEMBLO_LIB}/Pemblo
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(TARGETS PembloBrowser svwordcount RUNTIME DESTINATION ${PEMBLO_LIB}/PembloBrowser)
install(TARGETS SVWordTree LIBRARY DESTINATION ${PEMBLO_LIB}/PembloBrowser
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(TARGETS PembloExternal RUNTIME DESTINATION ${PEMBLO_LIB}/PembloExternal)
install(PROGRAMS guard/pemblo-pam-check host/pemblo-autostart DESTINATION ${PEMBLO_LIB}/Pemblo)
# The application centre's catalogue and its icons, and the browser's blocking picture.
install(FILES ${PEMBLO_OUT}/Pemblo/MiniAppdata.mdb DESTINATION ${PEMBLO_LIB}/Pemblo)
install(DIRECTORY ${PEMBLO_OUT}/Pemblo/icons DESTINATION ${PEMBLO_LIB}/Pemblo)
install(FILES ${PEMBLO_OUT}/PembloBrowser/error.jpg DESTINATION ${PEMBLO_LIB}/PembloBrowser)

# Commands: relative links into the product folders (a program resolves its own folder from
# the link, so it still finds its siblings).
set(pemblo_commands
    "pemblo Pemblo/Pemblo" "pemblo-browser PembloBrowser/PembloBrowser" "pemblo-config Pemblo/pemblo-config"
    "svwordcount PembloBrowser/svwordcount" "pemblo-guard Pemblo/pemblo-guard")
set(pemblo_bin ${CMAKE_BINARY_DIR}/package/bin)
file(MAKE_DIRECTORY ${pemblo_bin})
foreach(command ${pemblo_commands})
  separate_arguments(parts UNIX_COMMAND "${command}")
  list(GET parts 0 name)
  list(GET parts 1 target)
  file(CREATE_LINK ../lib/pemblo/${target} ${pemblo_bin}/${name} SYMBOLIC)
  install(FILES ${pemblo_bin}/${name} DESTINATION usr/bin)
endforeach()

# The desktop: menu entries, icons, and the host in every session of a child's account.
install(FILES assets/desktop/pemblo.desktop assets/desktop/pemblobrowser.desktop assets/desktop/pembloexternal.desktop
        DESTINATION usr/share/applications)
install(FILES assets/icons/pemblo.svg assets/icons/pemblobrowser.svg assets/icons/pembloexternal.svg
        DESTINATION usr/share/icons/hicolor/scalable/apps)
install(FILES assets/desktop/pemblo-autostart.desktop DESTINATION etc/xdg/autostart RENAME pemblo.desktop)

# The guard: its unit, its bus policy and activation file, the login check's PAM profile.
install(FILES guard/pemblo-guard.service DESTINATION lib/systemd/system)
install(FILES guard/org.pemblo.Guard.conf DESTINATION usr/share/dbus-1/system.d)
install(FILES guard/org.pemblo.Guard.service DESTINATION usr/share/dbus-1/system-services)
install(FILES guard/pam-configs/pemblo DESTINATION usr/share/pam-configs)

# Documentation: the copyright, the changelog (compressed as Debian wants it) and the guide the
# unit names.
set(pemblo_changelog ${CMAKE_BINARY_DIR}/package/changelog)
configure_file(${PEMBLO_PACKAGING}/changelog ${pemblo_changelog} @ONLY)
add_custom_command(OUTPUT ${pemblo_changelog}.gz
                   COMMAND gzip -9nfk ${pemblo_changelog}
                   DEPENDS ${pemblo_changelog})
add_custom_target(pemblo_changelog ALL DEPENDS ${pemblo_changelog}.gz)
install(FILES ${PEMBLO_PACKAGING}/copyright ${pemblo_changelog}.gz docs/host-interface.md README.md
        DESTINATION usr/share/doc/pemblo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pemblo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Pemblo developers <developers@pemblo.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pemblo.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "child-safe desktop: filtered browser, program limits, yellow cards")
set(CPACK_PACKAGE_DESCRIPTION
    "Pemblo is a child-safe desktop suite for the family computer. The child
browses with a browser that blocks pages with forbidden words and black-listed
sites, and starts programs from an application centre; the parent sets time
limits for programs and sites, reviews the browse logs and the violations, and
gives or cancels yellow cards. A system service (the guard) keeps the parent's
rules as root and enforces them on the accounts of the group pemblo-children.")
# Libraries are found by dpkg-shlibdeps (the product folders hold the private ones); what no
# link names is listed: the web engine's helper process and data, the display plugins, fonts
# that draw Chinese, the bus and its tools, the PAM and account tools of the maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
    /${PEMBLO_LIB}/Pemblo /${PEMBLO_LIB}/PembloBrowser /${PEMBLO_LIB}/PembloExternal)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6webenginecore6-bin, libqt6webengine6-data, qt6-qpa-plugins, qt6-image-formats-plugins, fonts-wqy-zenhei | fonts-noto-cjk, xdg-utils, dbus, libpam-runtime, libpam-modules, passwd")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, galculator, mousepad")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PEMBLO_PACKAGING}/postinst ${PEMBLO_PACKAGING}/prerm ${PEMBLO_PACKAGING}/postrm ${PEMBLO_PACKAGING}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
