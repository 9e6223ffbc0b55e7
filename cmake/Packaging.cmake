# What `cmake --install` puts around the program and its databases, and the
# Debian package that CPack makes of it (`cmake --build build --target
# package`).

set(KVINTOR_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/resources/desktop)

if(UNIX AND NOT APPLE)
  # The desktop's menu entry, icon and the type of specification files, so
  # that file managers open them with the program.
  install(FILES ${KVINTOR_DESKTOP_DIR}/kvintor.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${KVINTOR_DESKTOP_DIR}/kvintor.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${KVINTOR_DESKTOP_DIR}/kvintor.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
endif()

set(KVINTOR_MAINTAINER "Kvintor developers <kvintor@example.org>"
  CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME kvintor)
set(CPACK_PACKAGE_VENDOR Kvintor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KVINTOR_MAINTAINER})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kvintor)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
# The debugging information of a RelWithDebInfo build stays in the build.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"specification of equipment and materials for HVAC designs
Kvintor builds the specification of equipment and materials of a heating
and ventilation design project from a catalogue of goods, numbers it by
group, prints it on A3 sheets with the title block and as an A4 cost
estimate, exports it to an .xlsx workbook and exchanges position data with
the drawing in a CAD program. kvintor-cli does the same without windows.

Kvintor составляет спецификацию оборудования и материалов проекта отопления
и вентиляции по каталогу товаров, нумерует её по группам, печатает на
листах A3 с основной надписью и сметой на A4, выгружает в книгу .xlsx и
обменивается данными позиций с чертежом в программе САПР.")
# dpkg-shlibdeps finds the libraries the programs link; these are loaded at
# run time: the SQLite driver and the window system plugins of Qt, Qt's
# Russian texts, the fonts of the printed forms and the hyphenation patterns.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6sql6-sqlite, qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation, hyphen-ru")
# Workbooks open in the desktop's spreadsheet program through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# The menu, icon and type caches are brought up to date by the triggers of
# desktop-file-utils, hicolor-icon-theme and shared-mime-info.

include(CPack)
