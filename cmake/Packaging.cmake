# What `cmake --install` puts in place, and the Debian package CPack makes of it.
include(GNUInstallDirs)

set(packaging ${PROJECT_SOURCE_DIR}/packaging)

# The window program keeps the file name Setup, from which it takes its title: the caption of its
# error boxes and its entry in the settings store. Administrators start it as velmora-setup, a
# relative link to it, which the program resolves to its own file.
install(TARGETS Setup RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/velmora)
file(RELATIVE_PATH setup_link_target ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/velmora/Setup)
file(CREATE_LINK ${setup_link_target} ${PROJECT_BINARY_DIR}/velmora-setup SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/velmora-setup DESTINATION ${CMAKE_INSTALL_BINDIR})

install(TARGETS velmora-install velmora-tenant RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${packaging}/velmora-setup.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/velmora-setup.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page carries the version; installed compressed, as Debian keeps its manual pages.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(VELMORA_MANPAGE ${PROJECT_BINARY_DIR}/velmora-install.1)
configure_file(${packaging}/velmora-install.1.in ${VELMORA_MANPAGE} @ONLY)
add_custom_command(OUTPUT ${VELMORA_MANPAGE}.gz
                   COMMAND ${GZIP_EXECUTABLE} -9nf -k ${VELMORA_MANPAGE}
                   DEPENDS ${VELMORA_MANPAGE}
                   COMMENT "Compressing the manual page of velmora-install")
add_custom_target(velmora_manpage ALL DEPENDS ${VELMORA_MANPAGE}.gz)
install(FILES ${VELMORA_MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's dependencies come from the libraries the programs link (dpkg-shlibdeps), so that
# `apt install ./velmora-setup_<version>_amd64.deb` brings Qt 6 and OpenSSL along.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora-setup)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "Velmora <setup@velmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Velmora tenant setup: window and command-line installer")
set(CPACK_PACKAGE_DESCRIPTION
    "Creates a Velmora tenant's complete database on a PostgreSQL server: the login role, the database,
the schema trevix with its tables, functions, triggers and views, the value lists and the tenant's
row. velmora-setup is the setup window, velmora-install the same installation from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's pixel layout assumes Tahoma's metrics; this package ships a Tahoma with the same.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wine)
include(CPack)
