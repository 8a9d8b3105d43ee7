# The Debian package of what `cmake --install` installs: `cpack -G DEB` in the
# build folder, or the `package` target. Its Depends line is worked out by
# dpkg-shlibdeps from the programs' shared libraries, so it names the
# packages of the libraries this build really linked.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vimbra)
set(CPACK_PACKAGE_VENDOR "The Vimbra developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small JPEG picture viewer with a thumbnail grid")
# The installed tree below /usr, as a distribution's package would be.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# A RelWithDebInfo build's programs carry their debugging sections; the
# package ships them without.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Vimbra developers <vimbra@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The viewer draws its texts in the default sans font through fontconfig;
# DejaVu is the font its screenshots are made with.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
# The long description; CPack puts the summary above it and indents it as a
# control file's continuation lines (an empty line becomes " .").
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vimbra shows a folder's JPEG pictures as a grid of 64 x 64 thumbnails with
their titles, opens a picture fitted to the window, zooms along a fixed
ladder of scales up to 1:1 and pans by dragging; the arrow keys step through
the folder. Its Select Folder dialog shows the whole folder tree, with the
folders that hold pictures drawn green.

The package also holds vimbra-shot, the same viewer without a display,
which replays events and writes PNG screenshots, and vimbra-make-demo,
which writes a folder of demonstration pictures.")

include(CPack)
