# The Debian package: `cpack -G DEB` in the build folder gives korvane_<version>_<arch>.deb,
# installing into /usr what `cmake --install` installs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Korvane developers <korvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "restores a broken Windows 98 installation (Simplified Chinese)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The control files readable by all and writable by root only, as dpkg-deb makes them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The package's version is the newest entry of packaging/changelog, installed as
# changelog.Debian.gz: its upstream part must be the project's version, and the Debian
# revision after it (korvane_2.1-1_amd64.deb) counts changes to the packaging alone.
set(changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${changelog})
file(STRINGS ${changelog} changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^korvane \\(([^)-]+)-([^)]+)\\)")
  message(FATAL_ERROR "packaging/changelog does not start with an entry 'korvane (VERSION-REVISION)': ${changelog_head}")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog's newest entry is for ${CMAKE_MATCH_1}, the project is ${PROJECT_VERSION}")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
# The summary above is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Korvane lists the registry checker's backups of a Windows 98 machine as dated
restore points and puts the machine back to the chosen one in MS-DOS mode.
It also offers registry rebuild, Windows reinstall, driver repair, a startup
programs manager, wallpaper and start-up sound, policy switches and help pages.
On Linux it works on a stand-in Windows 98 machine folder; the w98 program
runs the stand-ins of the Windows 98 tools it uses.")

# The libraries the programs link (Qt, libjpeg-turbo, libgcab...) are found by dpkg-shlibdeps.
# Qt loads its X11 platform plugin at run time, and the interface needs a Chinese font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
# Web links open through xdg-open; sounds play through whichever player is there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, hicolor-icon-theme, qemu-system-common, fuse3, qemu-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pipewire-bin | pulseaudio-utils | alsa-utils")

include(CPack)
