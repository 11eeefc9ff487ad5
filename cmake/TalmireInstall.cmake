# Installation and the Debian package.
#   make install      GNUInstallDirs layout under CMAKE_INSTALL_PREFIX, DESTDIR honoured
#   make package      one .deb through CPack, its dependencies found by dpkg-shlibdeps
# Include it after every program's folder: it installs the programs that this build made.

include(GNUInstallDirs)

set(TALMIRE_APP_ID io.github.talmire.Talmire)
set(TALMIRE_HOMEPAGE https://github.com/talmire/talmire)
# The day the version in project() was released; the desktop catalogue lists it.
set(TALMIRE_RELEASE_DATE 2026-12-10)

# talmire_install_program(target)
# Installs the program into bin/ and its man page, docs/<target>.1, gzipped into man1/.
function(talmire_install_program target)
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    set_property(GLOBAL APPEND PROPERTY TALMIRE_INSTALLED_PROGRAMS ${target})
    if(WIN32)
        return()
    endif()
    set(page ${PROJECT_SOURCE_DIR}/docs/${target}.1)
    set(packed ${CMAKE_BINARY_DIR}/man/${target}.1.gz)
    add_custom_command(OUTPUT ${packed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND gzip -9 -n -c ${page} > ${packed}
        DEPENDS ${page}
        COMMENT "Compressing the man page of ${target}")
    add_custom_target(${target}-manpage ALL DEPENDS ${packed})
    install(FILES ${packed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

foreach(program talmire talmire-sim talmire-cli)
    if(TARGET ${program})
        talmire_install_program(${program})
    endif()
endforeach()

# The window's desktop entry, its icon in the hicolor theme and its catalogue entry, all
# named after the application id that the window gives the desktop.
if(TARGET talmire)
    target_compile_definitions(talmire PRIVATE TALMIRE_APP_ID="${TALMIRE_APP_ID}")
endif()
if(TARGET talmire AND NOT WIN32)
    get_property(programs GLOBAL PROPERTY TALMIRE_INSTALLED_PROGRAMS)
    list(TRANSFORM programs REPLACE "(.+)" "    <binary>\\1</binary>" OUTPUT_VARIABLE binaries)
    list(JOIN binaries "\n" TALMIRE_PROVIDED_BINARIES)
    configure_file(${PROJECT_SOURCE_DIR}/data/${TALMIRE_APP_ID}.metainfo.xml.in
                   ${CMAKE_BINARY_DIR}/data/${TALMIRE_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${PROJECT_SOURCE_DIR}/data/${TALMIRE_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_BINARY_DIR}/data/${TALMIRE_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/hicolor
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

# Debian's copyright file and changelog, which every package carries in its doc folder.
set(CPACK_PACKAGE_CONTACT "TALMIRE developers <talmire@users.noreply.github.com>")
if(NOT WIN32)
    execute_process(COMMAND date -u -R -d "${TALMIRE_RELEASE_DATE} 12:00"
                    OUTPUT_VARIABLE TALMIRE_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(docdir ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})
    configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog.in
                   ${CMAKE_BINARY_DIR}/data/changelog @ONLY)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/data/changelog.gz
        COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/data/changelog > ${CMAKE_BINARY_DIR}/data/changelog.gz
        DEPENDS ${CMAKE_BINARY_DIR}/data/changelog)
    add_custom_target(debian-changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/data/changelog.gz)
    install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright
            DESTINATION ${docdir})
    install(FILES ${CMAKE_BINARY_DIR}/data/changelog.gz
            DESTINATION ${docdir})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration and test tool for TALMIRE HART/MODBUS modules")
# Lines of the long description stay under 80 columns for the package tools.
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop tool for field engineers who configure and test the TALMIRE
module, which connects HART instruments to a MODBUS RTU network over a
serial port: the module's settings, a HART master for the instruments
behind it, a MODBUS RTU read test and an IEEE 754 calculator. The module
simulator talmire-sim lets everything be tried without hardware.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${TALMIRE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Whatever the umask of the machine that builds it.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
