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

# A manual page for every program, carrying the version; installed compressed, as Debian keeps its
# manual pages.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(manpages)
foreach(program velmora-install velmora-tenant velmora-setup)
    set(page ${PROJECT_BINARY_DIR}/${program}.1)
    configure_file(${packaging}/${program}.1.in ${page} @ONLY)
    add_custom_command(OUTPUT ${page}.gz
                       COMMAND ${GZIP_EXECUTABLE} -9nf -k ${page}
                       DEPENDS ${page}
                       COMMENT "Compressing the manual page of ${program}")
    list(APPEND manpages ${page}.gz)
endforeach()
add_custom_target(velmora_manpages ALL DEPENDS ${manpages})
install(FILES ${manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# What Debian asks of every package's documentation: the copyright file and the changelog.
set(changelog ${PROJECT_BINARY_DIR}/changelog)
configure_file(${packaging}/changelog.in ${changelog} @ONLY)
add_custom_command(OUTPUT ${changelog}.gz
                   COMMAND ${GZIP_EXECUTABLE} -9nf -k ${changelog}
                   DEPENDS ${changelog}
                   COMMENT "Compressing the changelog")
add_custom_target(velmora_changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${packaging}/copyright ${changelog}.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/velmora-setup)
# The tests compare the pages of the two command-line programs with their help.
set(VELMORA_MANPAGE ${PROJECT_BINARY_DIR}/velmora-install.1)
set(VELMORA_TENANT_MANPAGE ${PROJECT_BINARY_DIR}/velmora-tenant.1)

# The package's dependencies come from the libraries the programs link (dpkg-shlibdeps), so that
# `apt install ./velmora-setup_<version>_amd64.deb` brings Qt 6 and OpenSSL along.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora-setup)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_CONTACT "Velmora <setup@velmora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Velmora tenant setup: window and command-line installer")
# Lines of the description stay under 80 characters, as Debian's tools expect.
set(CPACK_PACKAGE_DESCRIPTION
    "Creates a Velmora tenant's complete database on a PostgreSQL server: the login
role, the database, the schema trevix with its tables, functions, triggers and
views, the value lists and the tenant's row. velmora-setup is the setup window,
velmora-install the same installation from the command line, velmora-tenant
installs, lists, verifies and removes tenants, also many at once.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's pixel layout assumes Tahoma's metrics; this package ships a Tahoma with the same.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wine)
include(CPack)
