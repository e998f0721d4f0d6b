# cmake --install: the program with dat/ and res/ beside it (it finds them
# there), a command in bin/, a desktop entry and the icon.
include(GNUInstallDirs)
set(SWAYMO_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/swaymo-setup)

install(TARGETS swaymo-setup RUNTIME DESTINATION ${SWAYMO_INSTALL_PROGRAM_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/dat ${PROJECT_SOURCE_DIR}/res
        DESTINATION ${SWAYMO_INSTALL_PROGRAM_DIR})

# bin/swaymo-setup is a relative link to the program, which resolves it to
# find its folder.
set(SWAYMO_INSTALL_STAGE ${PROJECT_BINARY_DIR}/install-stage)
file(RELATIVE_PATH SWAYMO_PROGRAM_FROM_BIN /prefix/${CMAKE_INSTALL_BINDIR}
     /prefix/${SWAYMO_INSTALL_PROGRAM_DIR}/swaymo-setup)
file(MAKE_DIRECTORY ${SWAYMO_INSTALL_STAGE})
file(CREATE_LINK ${SWAYMO_PROGRAM_FROM_BIN} ${SWAYMO_INSTALL_STAGE}/swaymo-setup SYMBOLIC)
install(FILES ${SWAYMO_INSTALL_STAGE}/swaymo-setup DESTINATION ${CMAKE_INSTALL_BINDIR})

# The desktop entry names the command by its installed path, which is known
# only when installing (cmake --install --prefix may change it).
install(CODE "
  file(READ \"${CMAKE_CURRENT_LIST_DIR}/swaymo-setup.desktop.in\" entry)
  string(REPLACE \"@SWAYMO_COMMAND@\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/swaymo-setup\"
         entry \"\${entry}\")
  file(WRITE \"${SWAYMO_INSTALL_STAGE}/swaymo-setup.desktop\" \"\${entry}\")
  file(INSTALL \"${SWAYMO_INSTALL_STAGE}/swaymo-setup.desktop\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
")
install(FILES ${PROJECT_SOURCE_DIR}/res/990.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
        RENAME swaymo-setup.png)
