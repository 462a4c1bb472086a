# Installs Levyholvi as a desktop program (executables, desktop entry, AppStream metainfo,
# icons, manual page, sample collection) and describes its Debian package:
#   cmake --preset release && cmake --build --preset release --target programs
#   cd build/release && cpack
# gives build/release/levyholvi_<version>_amd64.deb.
include(GNUInstallDirs)
# Folders as Debian has them whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Installing needs only the programs, not the tests and benchmarks of "all".
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
add_custom_target(programs)
add_dependencies(programs levyholvi)

set(LEVYHOLVI_APP_ID io.github.levyholvi.Levyholvi)
set(_data ${PROJECT_SOURCE_DIR}/data)
set(_gen ${PROJECT_BINARY_DIR}/generated)

install(TARGETS levyholvi RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The command-line tool, once it is part of the tree.
if(TARGET levyholvi-cli)
    install(TARGETS levyholvi-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    add_dependencies(programs levyholvi-cli)
endif()

install(FILES ${_data}/${LEVYHOLVI_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${_data}/${LEVYHOLVI_APP_ID}.metainfo.xml
               ${_gen}/${LEVYHOLVI_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_gen}/${LEVYHOLVI_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${_data}/icons/${LEVYHOLVI_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
    install(FILES ${_data}/icons/${size}x${size}/${LEVYHOLVI_APP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian installs manual pages compressed.
find_program(LEVYHOLVI_GZIP gzip REQUIRED)
foreach(page levyholvi levyholvi-cli)
    configure_file(${_data}/${page}.1.in ${_gen}/${page}.1 @ONLY)
    execute_process(COMMAND ${LEVYHOLVI_GZIP} -9 -n -c ${_gen}/${page}.1
                    OUTPUT_FILE ${_gen}/${page}.1.gz COMMAND_ERROR_IS_FATAL ANY)
    install(FILES ${_gen}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# Debian wants the licence and the changelog in the package's doc folder (its own name, not
# CMAKE_INSTALL_DOCDIR's "Levyholvi"); a native package's changelog is changelog.gz.
set(_docdir ${CMAKE_INSTALL_DATADIR}/doc/levyholvi)
install(FILES ${_data}/debian/copyright DESTINATION ${_docdir})
configure_file(${_data}/debian/changelog ${_gen}/changelog COPYONLY)
execute_process(COMMAND ${LEVYHOLVI_GZIP} -9 -n -c ${_gen}/changelog
                OUTPUT_FILE ${_gen}/changelog.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${_gen}/changelog.gz DESTINATION ${_docdir})

# The sample collection, to import with: levyholvi-cli import csv <this folder> --data DIR
install(DIRECTORY ${PROJECT_SOURCE_DIR}/samples/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/levyholvi/samples FILES_MATCHING PATTERN "*.csv")

# --- the Debian package ---------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME levyholvi)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Levyholvi")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "database for a private music collection")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # levyholvi_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Levyholvi <levyholvi@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://levyholvi.example.org")
# The synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY; cpack puts it in front of this.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Levyholvi keeps releases on CD, MiniDisc, LP, cassette, single and 78, their\n\
tracks, the musicians who play on them and a list of genres. It sorts,\n\
selects, searches and prints the collection, and exports it as CSV tables or\n\
as one self-contained web page. Captions are in Finnish.")
# Libraries from dpkg-shlibdeps; the fonts the windows name are not linked, so listed here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
include(CPack)
