# The Debian package (scripts/package): everything the install rules put under /usr, named
# quorvel_<version>_amd64.deb. Its dependencies are the libraries the binaries link, found by
# dpkg-shlibdeps, and what the player loads at run time without linking it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Practice player: slow down, transpose and loop songs")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel plays a song and changes its tempo without changing its pitch, its pitch without\n\
changing its tempo, and how much of the centre, where a lead vocal sits, is taken out. A loop\n\
editor repeats a marked passage seamlessly, a nine-band equaliser shapes the sound, and the\n\
loop can be saved with the current settings as WAV, MP3, AAC, MP4, M4A or WMA. It remembers\n\
every song's settings and named loops and brings a passage up to speed pass by pass.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quorvel developers <developers@quorvel.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded, not linked: the fonts the fixed-scale layout measures. (Qt's X11 platform plugin comes
# with libqt6gui6, which the player links.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-dejavu-extra")
# The help pages open in the desktop's browser; Wayland sessions have Qt's own plugin for them;
# the desktop's media keys reach the player through a session bus.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland, dbus-user-session")
include(CPack)
