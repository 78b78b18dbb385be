# What `cmake --install` puts where, and the Debian package made from it by CPack
# (`cpack -G DEB` in the build folder).
include(GNUInstallDirs)

install(TARGETS quillnet quilltool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/no.veltrona.quillnet.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/no.veltrona.quillnet.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/quillnet-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quillnet.xml)
install(DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/icons/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/quilltool.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The JSON Schema of `quilltool dump`, for whoever reads or writes dumps.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/docs/dump.schema.json DESTINATION ${CMAKE_INSTALL_DATADIR}/quillnet)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/quilltool.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quilltool)

set(CPACK_PACKAGE_NAME quillnet)
set(CPACK_PACKAGE_VENDOR "Veltrona")
set(CPACK_PACKAGE_CONTACT "QuillNet developers <quillnet@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop program for building and browsing pointer databases")
set(CPACK_PACKAGE_DESCRIPTION
    "QuillNet keeps named lines, data records laid out by the user's own templates, notes,\n"
    "document and program links, bookmarks and links into other databases in one .pdb256\n"
    "file, a tree of linked lists. The package holds the window (quillnet) and the\n"
    "command-line tool (quilltool).")
set(CPACK_PACKAGE_INSTALL_DIRECTORY quillnet)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link against (Qt, the C++ runtime) become the package's
# dependencies as dpkg-shlibdeps finds them; the desktop integration needs the rest.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "shared-mime-info, desktop-file-utils, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, bash-completion")
include(CPack)
