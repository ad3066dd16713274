# What `cmake --install` puts under the prefix, and the Debian package CPack
# makes of it (scripts/package.sh).
include(GNUInstallDirs)

option(ZEPHRA_DEBIAN_LAYOUT
       "Install as a Debian package wants it: manual page and changelog compressed, copyright beside them" OFF)

set(ZEPHRA_APP_ID jp.zephra.Nippo)
set(packaging "${PROJECT_SOURCE_DIR}/packaging")
set(hicolor "${CMAKE_INSTALL_DATADIR}/icons/hicolor")

install(TARGETS zephra RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# The modules loaded on first use, where the program looks for them: ../lib/zephra beside its folder
# (common/module.cpp), so not under the multiarch library folder.
install(TARGETS zephra_module_charts zephra_module_xlsx zephra_module_jet LIBRARY DESTINATION lib/zephra)
install(FILES "${packaging}/${ZEPHRA_APP_ID}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${packaging}/${ZEPHRA_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${packaging}/icons/${ZEPHRA_APP_ID}.svg" DESTINATION "${hicolor}/scalable/apps")
# The PNGs are rendered from the SVG by packaging/icons/render.sh and kept in the repository,
# so that a build needs no SVG renderer.
foreach(size 16 32 48 64 128 256)
    install(FILES "${packaging}/icons/${ZEPHRA_APP_ID}-${size}.png"
            DESTINATION "${hicolor}/${size}x${size}/apps" RENAME "${ZEPHRA_APP_ID}.png")
endforeach()

# The manual, compiled into the program as well (src/help), readable in a browser here.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/src/help/manual/" DESTINATION "${CMAKE_INSTALL_DOCDIR}/manual"
        FILES_MATCHING PATTERN "*.html" PATTERN "*.css")

if(ZEPHRA_DEBIAN_LAYOUT)
    # gzip -n: no name or time stamp in the archive, so that a rebuild gives the same bytes.
    find_program(GZIP_PROGRAM gzip REQUIRED)
    set(compressed "${PROJECT_BINARY_DIR}/packaging")
    add_custom_command(OUTPUT "${compressed}/zephra.1.gz" "${compressed}/changelog.Debian.gz"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${compressed}"
        COMMAND "${GZIP_PROGRAM}" -9n -c "${packaging}/zephra.1" > "${compressed}/zephra.1.gz"
        COMMAND "${GZIP_PROGRAM}" -9n -c "${packaging}/debian/changelog" > "${compressed}/changelog.Debian.gz"
        DEPENDS "${packaging}/zephra.1" "${packaging}/debian/changelog"
        VERBATIM)
    add_custom_target(zephra_compressed_docs ALL DEPENDS "${compressed}/zephra.1.gz" "${compressed}/changelog.Debian.gz")
    # The compiler's notes are no use in an installed program; CPack's strip leaves them in.
    install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zephra\")")
    foreach(module charts jet xlsx)
        install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/zephra/zephra-${module}.so\")")
    endforeach()
    install(FILES "${compressed}/zephra.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
    install(FILES "${compressed}/changelog.Debian.gz" "${packaging}/debian/copyright"
            DESTINATION "${CMAKE_INSTALL_DOCDIR}")
else()
    install(FILES "${packaging}/zephra.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endif()

# The Debian package. Its library dependencies are found by dpkg-shlibdeps;
# named here is only what the program loads at run time without linking it:
# the Japanese fonts of the screens and reports, Qt's Japanese translations
# of its standard dialogs, and Qt's platform plugins (xcb, wayland). The store
# speaks SQLite directly, so no Qt SQL driver is needed.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zephra)
set(CPACK_PACKAGE_VENDOR ZEPHRA)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "daily business journal of a small business (ZEPHRA 業務日誌)")
set(CPACK_PACKAGE_DESCRIPTION
    "ZEPHRA 業務日誌 keeps the daily business journal of a small business:
one record per calendar date with sales, purchases, money received,
money paid out and the day's notes. It totals any period by day, month
or year with charts, prints a day's report and a period's totals, writes
CSV files and Excel workbooks, imports CSV files and the earlier Windows
version's Access files, and makes checked copies of its data by itself.
All of its screens and reports are in Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ZEPHRA Nippo Maintainers <nippo@zephra.jp>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-ipafont-gothic, fonts-ipafont-mincho, fonts-noto-color-emoji, qt6-translations-l10n, qt6-qpa-plugins, libpq5")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
