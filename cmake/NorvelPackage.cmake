# The Debian package: `cmake --build <dir> --target package` makes
# norvel-flinga_<version>_<arch>.deb from the normal build (no second tree). Layout:
#
#   /usr/lib/norvel/Flinga/   the launcher, the library, the plug-in client, the skin
#                             (the same Flinga/ folder as `cmake --install`)
#   /usr/bin/norvel-flinga-send -> ../lib/norvel/Flinga/norvel-flinga-send
#   /usr/share/applications/norvel-flinga.desktop, the Dolphin service menu,
#   /usr/share/icons/hicolor/<N>x<N>/apps/norvel-flinga.png, /usr/share/doc/norvel-flinga/,
#   /usr/share/man/man1/norvel-flinga-send.1.gz
#
# The system-wide files are the install component "system", left out of a plain
# `cmake --install` (they have absolute destinations); the package takes both.
# See docs/packaging.md.

set(NORVEL_PACKAGE_PREFIX /usr/lib/norvel)
set(NORVEL_PACKAGE_MAINTAINER "Norvel Flinga developers <flinga@norvel.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(NORVEL_PACKAGE_VERSION ${PROJECT_VERSION})

set(norvel_stage ${CMAKE_BINARY_DIR}/package-files)
set(norvel_entry ${norvel_stage}/applications/norvel-flinga.desktop)
set(norvel_service_menu ${norvel_stage}/kio/servicemenus/norvel-flinga.desktop)
# A native package: its changelog is changelog.gz; files are compressed as Debian wants
# (gzip -9n: no name, no time, so the package is the same from the same tree).
set(norvel_changelog ${norvel_stage}/changelog.gz)
set(norvel_manual ${norvel_stage}/norvel-flinga-send.1.gz)
configure_file(${PROJECT_SOURCE_DIR}/launcher/desktop/debian/changelog.in
               ${norvel_stage}/changelog @ONLY)
# The entries come from the desktop install script, so both installs say the same.
add_custom_command(OUTPUT ${norvel_entry} ${norvel_service_menu}
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/install-desktop.sh --stage ${norvel_stage}
          --programs ${NORVEL_PACKAGE_PREFIX}/Flinga
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/install-desktop.sh
  COMMENT "Writing the package's menu entry and service menu"
  VERBATIM)
add_custom_command(OUTPUT ${norvel_changelog} ${norvel_manual}
  COMMAND sh -c "gzip -9nc changelog > changelog.gz"
  COMMAND sh -c "gzip -9nc \"$0\" > norvel-flinga-send.1.gz"
          ${PROJECT_SOURCE_DIR}/launcher/desktop/debian/norvel-flinga-send.1
  WORKING_DIRECTORY ${norvel_stage}
  DEPENDS ${norvel_stage}/changelog ${PROJECT_SOURCE_DIR}/launcher/desktop/debian/norvel-flinga-send.1
  VERBATIM)
add_custom_target(norvel_package_files ALL
  DEPENDS ${norvel_entry} ${norvel_service_menu} ${norvel_changelog} ${norvel_manual})
file(MAKE_DIRECTORY ${norvel_stage}/bin)
file(CREATE_LINK ../lib/norvel/Flinga/norvel-flinga-send ${norvel_stage}/bin/norvel-flinga-send
     SYMBOLIC)

install(FILES ${norvel_entry} DESTINATION /usr/share/applications
        COMPONENT system EXCLUDE_FROM_ALL)
# Plasma reads system-wide service menus without the executable bit.
install(FILES ${norvel_service_menu} DESTINATION /usr/share/kio/servicemenus
        COMPONENT system EXCLUDE_FROM_ALL)
install(DIRECTORY ${CMAKE_BINARY_DIR}/Flinga/icons/hicolor DESTINATION /usr/share/icons
        COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${norvel_stage}/bin/norvel-flinga-send DESTINATION /usr/bin
        COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${norvel_manual} DESTINATION /usr/share/man/man1
        COMPONENT system EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/launcher/desktop/debian/copyright ${norvel_changelog}
        DESTINATION /usr/share/doc/norvel-flinga
        COMPONENT system EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvel-flinga)
set(CPACK_PACKAGE_VERSION ${NORVEL_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "Norvel")
set(CPACK_PACKAGE_CONTACT ${NORVEL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "one-click uploader for the Norvel cloud disk")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Uploads files chosen in the file manager (Nautilus,
Dolphin, Thunar) or handed to norvel-flinga-send to the Norvel cloud disk,
makes share links and posts to Sina Weibo, with a small window that shows
each upload's progress.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${NORVEL_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The libraries the programs link come from dpkg-shlibdeps; Qt's platform plug-ins are
# loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_PACKAGING_INSTALL_PREFIX ${NORVEL_PACKAGE_PREFIX})
set(CPACK_INSTALL_PREFIX ${NORVEL_PACKAGE_PREFIX})
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};norvel;ALL;/"
    "${CMAKE_BINARY_DIR};norvel;system;/")
include(CPack)
