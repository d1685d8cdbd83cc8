# What `cmake --install` puts where, for a workstation or a Debian package:
#   bin/                      velmora, velmora-dump, velmora-sim, velmora-gen
#   share/velmora/CFG/        the definition set (read-only once installed)
#   share/velmora/help/       the help page
#   share/velmora/samples/    sample capture files
#   share/applications/       the desktop entry, opening .ss7 files
#   share/mime/packages/      the MIME type of capture files
#   share/icons/hicolor/      the icon, as SVG and in the usual PNG sizes
#   share/man/man1/           the manual pages
#   share/doc/velmora/        copyright and changelog
# The programs find their data beside them first (the build tree), then in
# ../share/velmora/ relative to their own folder (core/Locations.h), so the
# installed tree may be moved to any prefix.
include(GNUInstallDirs)

if(NOT CMAKE_INSTALL_BINDIR STREQUAL "bin" OR NOT CMAKE_INSTALL_DATADIR STREQUAL "share")
  message(WARNING "The programs look for their data in ../share/velmora/ beside their folder; "
                  "bin=${CMAKE_INSTALL_BINDIR} and data=${CMAKE_INSTALL_DATADIR} do not match that.")
endif()

set(VELMORA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VELMORA_DATA_DIR ${CMAKE_INSTALL_DATADIR}/velmora)
# Named after the package, not after the project.
set(VELMORA_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/velmora)
set(VELMORA_MAINTAINER "Velmora developers <velmora-dev@example.org>"
    CACHE STRING "Maintainer named by the Debian package and its changelog")
set(VELMORA_PACKAGE_MAINTAINER ${VELMORA_MAINTAINER})

# Programs
set(velmora_programs velmora-dump velmora-sim)
if(TARGET velmora)
  list(PREPEND velmora_programs velmora)
endif()
install(TARGETS ${velmora_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/tools/velmora-gen/velmora-gen.py
        DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME velmora-gen)

# Data of the programs
install(DIRECTORY ${PROJECT_SOURCE_DIR}/CFG/ DESTINATION ${VELMORA_DATA_DIR}/CFG
        PATTERN State.ini EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/samples/sample-call.ss7 ${PROJECT_SOURCE_DIR}/samples/mtp-link-test.ss7
        DESTINATION ${VELMORA_DATA_DIR}/samples)

# Manual pages and the changelog, compressed as Debian wants them
# (gzip -9n: no name or time stamp inside, so builds are reproducible).
find_program(VELMORA_GZIP gzip REQUIRED)
set(velmora_pages velmora-dump velmora-sim velmora-gen)
if(TARGET velmora)
  list(PREPEND velmora_pages velmora)
endif()
set(velmora_man_dir ${CMAKE_BINARY_DIR}/man)
configure_file(${VELMORA_PACKAGING_DIR}/changelog.in ${velmora_man_dir}/changelog @ONLY)
set(velmora_gz ${velmora_man_dir}/changelog.gz)
add_custom_command(OUTPUT ${velmora_man_dir}/changelog.gz
  COMMAND ${VELMORA_GZIP} -9nc ${velmora_man_dir}/changelog > ${velmora_man_dir}/changelog.gz
  DEPENDS ${velmora_man_dir}/changelog)
foreach(page ${velmora_pages})
  set(source ${VELMORA_PACKAGING_DIR}/man/${page}.1)
  set(target ${velmora_man_dir}/${page}.1.gz)
  add_custom_command(OUTPUT ${target}
    COMMAND ${VELMORA_GZIP} -9nc ${source} > ${target}
    DEPENDS ${source})
  list(APPEND velmora_gz ${target})
  install(FILES ${target} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(velmora_man ALL DEPENDS ${velmora_gz})
install(FILES ${VELMORA_PACKAGING_DIR}/copyright ${velmora_man_dir}/changelog.gz DESTINATION ${VELMORA_DOC_DIR})

# The desktop program: help page, menu entry, capture file type, icon.
if(TARGET velmora)
  install(FILES ${PROJECT_SOURCE_DIR}/app/help/velmora-help.html DESTINATION ${VELMORA_DATA_DIR}/help)
  install(FILES ${VELMORA_PACKAGING_DIR}/velmora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${VELMORA_PACKAGING_DIR}/velmora-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME velmora.xml)
  install(DIRECTORY ${VELMORA_PACKAGING_DIR}/icons/hicolor/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${VELMORA_PACKAGING_DIR}/icons/velmora.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
