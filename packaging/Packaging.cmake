# Installed layout and the Debian package (scripts/package builds it).
#
#   bin/vt3417, bin/vt3417-sim, bin/vt3417-replay, bin/vt3417-copy-db, bin/vt3417-import-legacy
#   share/vt3417/sources/          the shipped data files; the program copies them
#                                  into a new program folder (settings/ProgramDir.h)
#   share/applications/vt3417.desktop, share/icons/hicolor/*/apps/vt3417.*
#   share/doc/vt3417/              README.md, copyright, changelog.gz
#   share/man/man1/                vt3417.1.gz and a page per tool
#
# The same rules give the Windows folder layout (bin\ beside share\).

include(GNUInstallDirs)

set(VT3417_MAINTAINER "VT3417 software group <vt3417@lab.example.org>"
    CACHE STRING "Maintainer named in the Debian package and its changelog")

# Directories the install step creates get 0755 whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS vt3417 vt3417-replay vt3417-copy-db vt3417-import-legacy RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET vt3417-sim)
  install(TARGETS vt3417-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/sources/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vt3417/sources)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/vt3417.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/vt3417.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/icons/vt3417-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME vt3417.png)
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Debian wants the changelog and the manual pages compressed with gzip -9n.
find_program(VT3417_GZIP gzip)
function(vt3417_install_gzipped file destination)
  get_filename_component(name ${file} NAME)
  set(compressed ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  execute_process(COMMAND ${VT3417_GZIP} -9nc ${file} OUTPUT_FILE ${compressed} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip of ${file} failed")
  endif()
  install(FILES ${compressed} DESTINATION ${destination})
endfunction()

if(VT3417_GZIP)
  # The changelog of a native package: one entry for the current version.
  string(TIMESTAMP VT3417_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
  vt3417_install_gzipped(${PROJECT_BINARY_DIR}/packaging/changelog ${CMAKE_INSTALL_DOCDIR})
  foreach(page vt3417 vt3417-sim vt3417-replay vt3417-copy-db vt3417-import-legacy)
    vt3417_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/man/${page}.1 ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  # Edited pages are compressed anew.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_SOURCE_DIR}/packaging/man/vt3417.1
               ${PROJECT_SOURCE_DIR}/packaging/man/vt3417-sim.1 ${PROJECT_SOURCE_DIR}/packaging/man/vt3417-replay.1
               ${PROJECT_SOURCE_DIR}/packaging/man/vt3417-copy-db.1
               ${PROJECT_SOURCE_DIR}/packaging/man/vt3417-import-legacy.1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vt3417)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VT3417_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "data collection for the wattmeter-counter VT3417")
# One string: CPack indents its lines and marks the empty one for the control file.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Drives the reference wattmeter-counter VT3417 with which electricity meters\n"
  "are verified: mirrors its display and keypad over a serial line, programs\n"
  "its measurement modes, reads the errors of up to eight meters under test,\n"
  "writes verification protocols from Word templates and keeps an archive of\n"
  "verified meters with an Excel export.\n"
  "\n"
  "Also contains the instrument simulator vt3417-sim, the capture replay\n"
  "tool vt3417-replay, vt3417-copy-db, which moves a bench's database to\n"
  "the lab's PostgreSQL server, and vt3417-import-legacy, which imports the\n"
  "old bench program's Paradox tables.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Libraries linked by the binaries come from dpkg-shlibdeps; Qt's plug-ins are
# loaded at run time and named here: the SQLite driver and the platform plug-ins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins")
include(CPack)
