# The Debian package, made by CPack from what `cmake --install` installs (scripts/package):
#   cpack -G DEB --config <build>/CPackConfig.cmake
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the QOR developers")
set(CPACK_PACKAGE_CONTACT "the QOR developers <qor@users.noreply.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "contact manager for one person at one desktop")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "One window holds a form for one contact, the list of every stored contact and the buttons
Add, Update, Delete, Clear, Save, Help and OK. All contacts live in one plain-text book file
of KEY=VALUE lines, saved through a temporary file so that a full disk or a crash never
leaves a half-written book.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The shared libraries qor links give the dependencies (dpkg-shlibdeps). Qt loads its platform
# plugins at run time, which no linker sees: without qt6-qpa-plugins the window cannot open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
include(CPack)
