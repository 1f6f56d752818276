# Version, installation layout and the Debian packages (CPack, component per package):
#   vantor         the desktop client and agent in lib/vantor (vantor linked into bin), vantor-cli,
#                  the installation data in share/vantor, the desktop entry, icons, AppStream data
#   vantor-server  the server, its sample organisation, its systemd service and configuration
# `scripts/package` builds the programs and data only, then runs cpack on this build folder; the
# install step never builds `all` first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(GNUInstallDirs)

# --version of every program.
foreach(program vantor agent vantor-cli vantor-server)
  if(TARGET ${program})
    target_compile_definitions(${program} PRIVATE VANTOR_VERSION="${PROJECT_VERSION}")
    # Relocations read-only after start-up, as Debian links its programs.
    target_link_options(${program} PRIVATE -Wl,-z,relro,-z,now)
  endif()
endforeach()

set(VANTOR_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
set(VANTOR_DESKTOP_ID org.vantor.Vantor)

# ---- vantor --------------------------------------------------------------------------------------
if(TARGET vantor AND TARGET agent)
  install(TARGETS vantor agent DESTINATION ${CMAKE_INSTALL_LIBDIR}/vantor COMPONENT client)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${CMAKE_INSTALL_LIBDIR}/vantor/vantor
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vantor\" SYMBOLIC)"
    COMPONENT client)
endif()
if(TARGET vantor-cli)
  install(TARGETS vantor-cli DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT client)
endif()
# The program folder's data as the build made it (settings templates, artwork, sounds), without
# the programs.
install(DIRECTORY ${VANTOR_BIN_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vantor COMPONENT client
  PATTERN vantor EXCLUDE PATTERN vantor-cli EXCLUDE PATTERN agent EXCLUDE PATTERN vantor-server EXCLUDE
  REGEX "/[0-9]+$" EXCLUDE)
# The desktop entry with agent's installed path.
set(VANTOR_DESKTOP_IN ${CMAKE_SOURCE_DIR}/data/desktop/${VANTOR_DESKTOP_ID}.desktop)
install(CODE "file(READ \"${VANTOR_DESKTOP_IN}\" entry)
  string(REPLACE \"@VANTOR_AGENT@\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/vantor/agent\" entry \"\${entry}\")
  file(WRITE \"${VANTOR_PACKAGING_DIR}/${VANTOR_DESKTOP_ID}.desktop\" \"\${entry}\")
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\" TYPE FILE
       FILES \"${VANTOR_PACKAGING_DIR}/${VANTOR_DESKTOP_ID}.desktop\")"
  COMPONENT client)
configure_file(${CMAKE_SOURCE_DIR}/data/desktop/${VANTOR_DESKTOP_ID}.metainfo.xml
  ${VANTOR_PACKAGING_DIR}/${VANTOR_DESKTOP_ID}.metainfo.xml @ONLY)
install(FILES ${VANTOR_PACKAGING_DIR}/${VANTOR_DESKTOP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT client)
if(VANTOR_ICON_DIR)
  install(DIRECTORY ${VANTOR_ICON_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT client)
endif()

# ---- vantor-server -------------------------------------------------------------------------------
if(TARGET vantor-server)
  install(TARGETS vantor-server DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT server)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/data/org/sample-org.json
  DESTINATION ${CMAKE_INSTALL_DATADIR}/vantor-server COMPONENT server)
install(FILES ${CMAKE_SOURCE_DIR}/data/server/vantor-server.service DESTINATION /lib/systemd/system
  COMPONENT server)
install(FILES ${CMAKE_SOURCE_DIR}/data/server/vantor-server.default DESTINATION /etc/default
  RENAME vantor-server COMPONENT server)

# ---- manual pages, changelogs, copyright ---------------------------------------------------------
# Manual pages from the programs' --help and --version (help2man) with the sections written by
# hand in data/man/<program>.h2m; gzip -9n as Debian wants them. Built by scripts/package.
find_program(HELP2MAN help2man)
find_program(GZIP gzip REQUIRED)
set(VANTOR_PACKAGE_FILES)
foreach(page vantor:client vantor-cli:client vantor-server:server)
  string(REPLACE ":" ";" pair ${page})
  list(GET pair 0 program)
  list(GET pair 1 component)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(out ${VANTOR_PACKAGING_DIR}/man/${program}.1.gz)
  set(include ${CMAKE_SOURCE_DIR}/data/man/${program}.h2m)
  if(HELP2MAN)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VANTOR_PACKAGING_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env PATH=$<TARGET_FILE_DIR:${program}>:$ENV{PATH} QT_QPA_PLATFORM=offscreen
              ${HELP2MAN} --no-info --locale=C.UTF-8 --section=1 --include=${include} --output=${VANTOR_PACKAGING_DIR}/man/${program}.1
              ${program}
      COMMAND ${GZIP} -9nf ${VANTOR_PACKAGING_DIR}/man/${program}.1
      DEPENDS ${program} ${include}
      COMMENT "Writing the manual page of ${program}"
      VERBATIM)
  else()
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E echo "help2man is missing: install it with scripts/setup" COMMAND false
      VERBATIM)
  endif()
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
  list(APPEND VANTOR_PACKAGE_FILES ${out})
endforeach()

foreach(package vantor:client vantor-server:server)
  string(REPLACE ":" ";" pair ${package})
  list(GET pair 0 name)
  list(GET pair 1 component)
  set(PACKAGE ${name})
  set(VERSION ${PROJECT_VERSION})
  configure_file(${CMAKE_SOURCE_DIR}/packaging/deb/changelog.in ${VANTOR_PACKAGING_DIR}/${name}/changelog @ONLY)
  add_custom_command(OUTPUT ${VANTOR_PACKAGING_DIR}/${name}/changelog.gz
    COMMAND ${GZIP} -9nkf ${VANTOR_PACKAGING_DIR}/${name}/changelog
    DEPENDS ${VANTOR_PACKAGING_DIR}/${name}/changelog
    VERBATIM)
  install(FILES ${VANTOR_PACKAGING_DIR}/${name}/changelog.gz ${CMAKE_SOURCE_DIR}/packaging/deb/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${name} COMPONENT ${component})
  list(APPEND VANTOR_PACKAGE_FILES ${VANTOR_PACKAGING_DIR}/${name}/changelog.gz)
endforeach()
# What the packages hold besides the programs and the program folder's data.
add_custom_target(vantor_package_files DEPENDS ${VANTOR_PACKAGE_FILES})

# ---- CPack ---------------------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The vantor developers <packages@vantor.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL client server)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_CLIENT_PACKAGE_NAME vantor)
set(CPACK_DEBIAN_CLIENT_PACKAGE_SECTION net)
# What the libraries do not tell: the interface's Chinese font (Qt's X11 plug-in comes with
# libqt6gui6, its multimedia back-ends with libqt6multimedia6).
set(CPACK_DEBIAN_CLIENT_PACKAGE_DEPENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_CLIENT_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_COMPONENT_CLIENT_DESCRIPTION "office instant messaging: desktop client
The desktop client of an office instant-messaging service: colleagues of one
organisation sign in to its server, see the department tree with everyone's
presence, chat one-to-one and in discussion groups and send files to each
other. Includes the link launcher agent and the command-line client
vantor-cli.")
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME vantor-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "adduser")
set(CPACK_COMPONENT_SERVER_DESCRIPTION "office instant messaging: organisation server
The server of an office instant-messaging service: the organisation's
departments and colleagues, sign-in, presence, messages held for colleagues
who are away, discussion groups and offline files, kept in an SQLite store.
Runs as the systemd service vantor-server under a user of its own.")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/packaging/deb/vantor-server/postinst
  ${CMAKE_SOURCE_DIR}/packaging/deb/vantor-server/prerm
  ${CMAKE_SOURCE_DIR}/packaging/deb/vantor-server/postrm
  ${CMAKE_SOURCE_DIR}/packaging/deb/vantor-server/conffiles)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
