# The Debian package: `cpack -G DEB` in a build folder packs what
# cmake --install puts under /usr, with the files a Debian package carries
# besides (metainfo, manual page, copyright, changelog). Dependencies are
# computed from the program by dpkg-shlibdeps.
set(SWAYMO_APP_ID example.swaymo.setup)
set(SWAYMO_PACKAGE_STAGE ${PROJECT_BINARY_DIR}/package-stage)
file(MAKE_DIRECTORY ${SWAYMO_PACKAGE_STAGE})
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

configure_file(${CMAKE_CURRENT_LIST_DIR}/metainfo.xml.in
               ${SWAYMO_PACKAGE_STAGE}/${SWAYMO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${SWAYMO_PACKAGE_STAGE}/${SWAYMO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian wants the manual page and the changelog compressed with gzip -9n.
foreach(source swaymo-setup.1 changelog)
  execute_process(COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/${source}
                  OUTPUT_FILE ${SWAYMO_PACKAGE_STAGE}/${source}.gz
                  COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${source})
endforeach()
install(FILES ${SWAYMO_PACKAGE_STAGE}/swaymo-setup.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${SWAYMO_PACKAGE_STAGE}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/swaymo-setup)

# Packing never builds: cpack packs the tree as it was built (the package
# test packs the test build without rebuilding the suite).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME swaymo-setup)
set(CPACK_PACKAGE_VENDOR "Swaymo")
set(CPACK_PACKAGE_CONTACT "Swaymo packaging <packages@swaymo.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed straight to /usr under a DESTDIR, so that the desktop entry names
# /usr/bin/swaymo-setup and not the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.swaymo.example/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not libraries, so not found by shlibdeps: Latin text needs DejaVu; Chinese
# and Japanese screens want a CJK font; the support page opens with xdg-open.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "setup wizard for the Swaymo PSP application
A small desktop wizard that puts the Swaymo application onto a PlayStation
Portable's memory stick. One skinned window leads from choosing a language,
through checking the maker's server and finding the PSP on USB, to
downloading the application and writing it to the stick, in seven
languages.")
include(CPack)
