# The Debian packages, written by cpack into the build folder
# (scripts/package.sh):
#   tavo-upload_<version>_<arch>.deb         the window, the console and the Jet reader
#   tavo-upload-server_<version>_<arch>.deb  the reference upload server
# Included last by the top-level CMakeLists.txt: CPack learns the components
# from the install rules made before it.
# TAVO_MANTENEDOR and TAVO_REVISAO_DEBIAN come from packaging/CMakeLists.txt,
# which writes them into the changelog too.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavo-upload)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TAVO_MANTENEDOR})
# The programs look for their helper where they were built to be installed
# (TAVO_PASTA_LIBEXEC): the package installs there too.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL cliente servidor)
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVO_MANTENEDOR})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TAVO_REVISAO_DEBIAN})
# Both come from one source, whose changelog both carry.
set(CPACK_DEBIAN_PACKAGE_SOURCE tavo-upload)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The maintainer scripts executable, the rest read-only, as dpkg wants them.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_CLIENTE_PACKAGE_NAME tavo-upload)
set(CPACK_DEBIAN_CLIENTE_PACKAGE_SECTION education)
# What dpkg-shlibdeps cannot see: libzip (loaded by name when first needed),
# Qt's SQLite driver and SVG plugins (the local database; the program's
# icon), Qt's own translations (the standard buttons read "Sim", "Não") and
# the fonts whose metrics the windows and the report are laid out with.
set(CPACK_DEBIAN_CLIENTE_PACKAGE_DEPENDS
    "libzip${TAVO_LIBZIP_ABI}, libqt6sql6-sqlite, libqt6svg6, qt6-translations-l10n, fonts-liberation2")
set(CPACK_DEBIAN_CLIENTE_DESCRIPTION
    "sends a school's data to the central server
TAVO Upload is the desktop client with which a school office sends its
school-management data to the central server: it packs the school database
into a ZIP package, identifies the school, and transmits the package over TCP
or copies it onto removable media. Successful sends are recorded and listed
in a history window.

This package holds the window (tavo-upload), the console front end for
set-up scripts and unattended sends (tavo-upload-cli), and the helper that
reads the former client's Access files.")

set(CPACK_DEBIAN_SERVIDOR_PACKAGE_NAME tavo-upload-server)
set(CPACK_DEBIAN_SERVIDOR_PACKAGE_SECTION net)
# adduser makes the service's user (postinst).
set(CPACK_DEBIAN_SERVIDOR_PACKAGE_DEPENDS adduser)
# The service's user, the unit enabled and started, stopped before removal,
# its state gone on purge; /etc/default/tavo-upload-server is a conffile.
# dpkg knows each file by its name alone, so each is copied under it.
set(scripts)
foreach(script postinst prerm postrm conffiles)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/tavo-upload-server.${script}
        ${CMAKE_BINARY_DIR}/packaging/debian/servidor/${script} COPYONLY)
    list(APPEND scripts ${CMAKE_BINARY_DIR}/packaging/debian/servidor/${script})
endforeach()
set(CPACK_DEBIAN_SERVIDOR_PACKAGE_CONTROL_EXTRA ${scripts})
set(CPACK_DEBIAN_SERVIDOR_DESCRIPTION
    "reference upload server for TAVO Upload
A small console program that speaks the server side of the TAVO Upload
transfer protocol, for trials, tests and demos. It stores every package it
receives in a folder of its own, beside what the client announced. Its fault
options make it deny, refuse, drop, stall or read slowly on purpose, to show
how the client copes; --max-sessions makes it an overloaded server.

It runs as the system service tavo-upload-server.service, under a user of
its own, keeping what it receives in /var/lib/tavo-upload-server.")

include(CPack)
