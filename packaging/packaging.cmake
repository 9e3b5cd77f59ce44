# Installs the program like a Debian program and describes the .deb that
# `cpack -G DEB` (scripts/package) builds from it:
#   /usr/bin                       vello and its tools
#   /usr/share/vello/templates     the report templates (read-only; copied per
#                                  user on the first start)
#   /usr/share/applications        the menu entry, /usr/share/icons the icon
#   /usr/share/man/man1            manual pages, /usr/share/doc/vello the guide
include(GNUInstallDirs)
set(VELLO_PKG_DIR ${CMAKE_SOURCE_DIR}/packaging)

install(TARGETS vello vello-create vello-report vello-backup vello-alibi scale-sim scale-read
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/templates/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vello/templates
        FILES_MATCHING PATTERN "*.frf")
install(FILES ${VELLO_PKG_DIR}/vello.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELLO_PKG_DIR}/vello.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages and the changelog are installed compressed, as Debian wants.
set(VELLO_GZ_DIR ${CMAKE_BINARY_DIR}/packaging)
set(VELLO_GZ_FILES)
foreach(page vello vello-create vello-report vello-backup vello-alibi scale-sim scale-read)
  list(APPEND VELLO_GZ_FILES man/${page}.1)
endforeach()
list(APPEND VELLO_GZ_FILES changelog)
set(VELLO_GZ_OUTPUTS)
foreach(f ${VELLO_GZ_FILES})
  add_custom_command(OUTPUT ${VELLO_GZ_DIR}/${f}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELLO_GZ_DIR}/man
    COMMAND gzip -9n -c ${VELLO_PKG_DIR}/${f} > ${VELLO_GZ_DIR}/${f}.gz
    DEPENDS ${VELLO_PKG_DIR}/${f} VERBATIM)
  list(APPEND VELLO_GZ_OUTPUTS ${VELLO_GZ_DIR}/${f}.gz)
endforeach()
add_custom_target(vello_package_files ALL DEPENDS ${VELLO_GZ_OUTPUTS})
foreach(page vello vello-create vello-report vello-backup vello-alibi scale-sim scale-read)
  install(FILES ${VELLO_GZ_DIR}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${VELLO_GZ_DIR}/changelog.gz ${VELLO_PKG_DIR}/copyright
              ${CMAKE_SOURCE_DIR}/docs/kezelesi-utmutato.md ${CMAKE_SOURCE_DIR}/docs/templates.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Packaging never builds: scripts/package builds first, and the package check
# under CTest must not relink programs that other tests are running.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME vello)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavrin")
set(CPACK_PACKAGE_CONTACT "Tavrin developers <vello@tavrin.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "weighbridge ticket register for grain-receiving sites")
set(CPACK_PACKAGE_DESCRIPTION
  "Scale-house program of a grain-receiving site, in Hungarian: trucks weighed
in and out, numbered weighing tickets with purity and moisture deductions,
printed tickets and delivery notes, registers of vehicles, producers, crops
and warehouses, stock reports, period close with an archive and a
spreadsheet export. The data lives in a MariaDB database (vello-create makes
it); the weight comes from a scale indicator on a serial port.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tavrin.example/vello")
# Linked libraries come from dpkg-shlibdeps; the SQL driver is a plugin that
# the program loads by name, so it and its client library are named here, and
# so is the spreadsheet writer, which the linker drops while no program calls it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-mysql (>= 6.4), libmariadb3, libxlsxwriter4, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mariadb-server, qt6-translations-l10n, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "mariadb-client")
include(CPack)
