# Installation like a Debian program, and a .deb built by CPack.
include(GNUInstallDirs)

set_target_properties(ZrPs PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
install(TARGETS ZrPs RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS ZrReportLib LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
install(FILES packaging/zrps.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/default.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps
        RENAME zrps.png)
# The school server's setup goes with the program: it is run once on the server.
install(PROGRAMS tools/setup-register-server.sh DESTINATION ${CMAKE_INSTALL_DATADIR}/zrps)
install(FILES tools/register-server.sql DESTINATION ${CMAKE_INSTALL_DATADIR}/zrps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zrps)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ZrSoftware <support@zrsoftware.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Register of primary-school completion certificates, printed onto blank forms")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The Russian dictionary and the Qt translations are read at run time, not linked.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt5core5a (>= 5.15), libqt5gui5, libqt5widgets5, libqt5sql5, libqt5sql5-sqlite, libqt5printsupport5, libqt5network5, libqt5xml5, libhunspell-1.7-0, hunspell-ru, qttranslations5-l10n, fonts-liberation, libc6, libstdc++6")
# XLSX workbooks are unpacked by QuaZip for the spreadsheet import.
string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libquazip5-1")
# The Russian order of names is registered on the connections of the system's SQLite.
string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libsqlite3-0")
# A register on a school's PostgreSQL server is reached through Qt's driver; the server
# itself is not a workstation's dependency.
string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt5sql5-psql")
include(CPack)
