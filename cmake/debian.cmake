# SPDX-License-Identifier: MIT
# The programs as Debian installs and packages them.
install(TARGETS duzudozuze duzudozuze-send RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Stripped for the package, the compilers' notes go as well, as dh_strip has it.
install(CODE [[
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program duzudozuze duzudozuze-send)
            execute_process(COMMAND objcopy --remove-section=.comment
                "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/${program}")
        endforeach()
    endif()
]])
install(FILES data/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME duzudozuze)
install(FILES data/duzudozuze.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/duzudozuze.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The headless monitor as a service, its settings, the alert rules and the
# Wireshark dissector (Wireshark's global folder for Lua plugins).
# Installed under /usr (as scripts/package.sh does), they land where Debian's
# systemd and Wireshark look; the unit names the paths of this prefix.
configure_file(data/duzudozuze.service.in duzudozuze.service @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/duzudozuze.service DESTINATION lib/systemd/system)
install(FILES data/duzudozuze.default DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default
        RENAME duzudozuze)
install(FILES data/duzudozuze.rules.yml DESTINATION ${CMAKE_INSTALL_DATADIR}/duzudozuze)
install(FILES data/duzudozuze.lua DESTINATION ${CMAKE_INSTALL_LIBDIR}/wireshark/plugins)

# Manual pages from the programs' own --help and --version, with the sections
# that are prose from data/*.h2m.
find_program(HELP2MAN help2man)
if(HELP2MAN)
    set(DUZUDOZUZE_MANPAGES)
    foreach(program duzudozuze duzudozuze-send)
        if(program STREQUAL duzudozuze)
            set(summary "status monitor of an alarm system's workstations")
        else()
            set(summary "send status datagrams to a DuzUdozuze port")
        endif()
        set(page ${CMAKE_CURRENT_BINARY_DIR}/${program}.1)
        # Installed compressed, as Debian's policy has it.
        add_custom_command(OUTPUT ${page} ${page}.gz
            COMMAND ${HELP2MAN} --no-info --no-discard-stderr
                    --include=${PROJECT_SOURCE_DIR}/data/${program}.h2m --name=${summary}
                    --output=${page} $<TARGET_FILE:${program}>
            COMMAND gzip -9nkf ${page}
            DEPENDS ${program} data/${program}.h2m
            COMMENT "Manual page ${program}(1)" VERBATIM)
        list(APPEND DUZUDOZUZE_MANPAGES ${page}.gz)
    endforeach()
    add_custom_target(manpages ALL DEPENDS ${DUZUDOZUZE_MANPAGES})
    install(FILES ${DUZUDOZUZE_MANPAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The package's documentation: the licence as Debian reads it, and the
# changelog.
set(DUZUDOZUZE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/duzudozuze)
configure_file(data/debian/changelog.in changelog @ONLY)
add_custom_command(OUTPUT changelog.Debian.gz
    COMMAND gzip -9nkf changelog
    COMMAND ${CMAKE_COMMAND} -E rename changelog.gz changelog.Debian.gz
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS changelog.Debian.gz)
install(FILES data/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
        DESTINATION ${DUZUDOZUZE_DOCDIR})
install(FILES data/org.duzudozuze.DuzUdozuze.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# A Debian package: cpack -G DEB in the build folder, or scripts/package.sh.
set(CPACK_PACKAGE_NAME duzudozuze)
set(CPACK_PACKAGE_VENDOR "DuzUdozuze")
set(CPACK_PACKAGE_CONTACT "DuzUdozuze developers <developers@duzudozuze.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "status monitor of an alarm system's workstations")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "DuzUdozuze receives the status datagrams that the workstations of an alarm\n"
    "system broadcast on UDP, logs each as a time-stamped line, shows who is\n"
    "master and warns of two masters, and may take part in the master/slave\n"
    "election. It runs as a Qt window or headless as a systemd service; it\n"
    "writes Prometheus metrics for the node exporter and comes with alert\n"
    "rules and a Wireshark dissector.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Debian revision of this version's package; the changelog names it.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin and the SVG icon engine, which no
# library links to; the maintainer scripts need deb-systemd-helper.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, init-system-helpers (>= 1.54~)")
# Debug symbols go nowhere: the binaries are stripped.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "prometheus-node-exporter, wireshark | tshark")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/data/debian/conffiles ${PROJECT_SOURCE_DIR}/data/debian/postinst
    ${PROJECT_SOURCE_DIR}/data/debian/prerm ${PROJECT_SOURCE_DIR}/data/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
include(CPack)
