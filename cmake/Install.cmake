# What "cmake --install" puts where, by the GNU layout, and the Debian package CPack makes of it.
include(GNUInstallDirs)

# One reverse-DNS id, from the maker's own address, names the desktop entry, the icon and the
# metadata.
set(TEVLO_APP_ID org.example.tevlo)
set(resources ${PROJECT_SOURCE_DIR}/resources)

install(TARGETS tevlo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${resources}/desktop/${TEVLO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${resources}/desktop/${TEVLO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${resources}/icons/${TEVLO_APP_ID}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${TEVLO_APP_ID}.png)
endforeach()
install(FILES ${resources}/icons/${TEVLO_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/docs/help/index.html
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tevlo/help)

# Debian wants the manual page and the change log compressed, reproducibly (-n: no time stamp).
set(packaged ${PROJECT_BINARY_DIR}/packaged)
file(MAKE_DIRECTORY ${packaged})
add_custom_command(OUTPUT ${packaged}/tevlo.1.gz
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/docs/tevlo.1 > ${packaged}/tevlo.1.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/tevlo.1 VERBATIM)
add_custom_command(OUTPUT ${packaged}/changelog.gz
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/docs/changelog > ${packaged}/changelog.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/changelog VERBATIM)
add_custom_target(tevlo_packaged_docs ALL DEPENDS ${packaged}/tevlo.1.gz ${packaged}/changelog.gz)
install(FILES ${packaged}/tevlo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaged}/changelog.gz ${PROJECT_SOURCE_DIR}/docs/copyright
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tevlo)

# The maker's address, from the one place the program keeps it.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/About.h maker_line REGEX "MakerMail = \"")
string(REGEX REPLACE ".*MakerMail = \"([^\"]+)\".*" "\\1" maker_mail "${maker_line}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tevlo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tevlo")
set(CPACK_PACKAGE_CONTACT "Tevlo <${maker_mail}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small launch bar for a hundred programs in ten sections")
set(CPACK_PACKAGE_DESCRIPTION
    "Tevlo is a narrow bar that stays on the desktop all day. It shows ten
launch buttons at a time out of a hundred, in ten named sections; a click
starts the button's program in its own folder. Programs may be command
lines, names found on PATH or desktop entries. Colours, font, pictures and
the bar's place are the user's to choose, and its plain text settings are
never lost.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tevlo.example.org/")
# Libraries the program links come from the binary itself; GIO, which it loads when it first
# meets a desktop entry, is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libglib2.0-0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-liberation")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
