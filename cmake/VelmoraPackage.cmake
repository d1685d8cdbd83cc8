# The Debian package, built by scripts/package.sh with CPack from what
# cmake/VelmoraInstall.cmake installs, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velmora developers")
set(CPACK_PACKAGE_CONTACT ${VELMORA_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELMORA_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt 6 and C++ runtime libraries (and libpcap, once the programs link
# it) come from the programs' shared-library dependencies; velmora-gen is a
# Python 3 program.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "SS7 level-4 signalling monitor and decoder
A signalling processor copies every level-4 message of its links into UDP
datagrams; the Velmora window receives them, stamps and lists them, and
decodes ISUP (from the ITU-T Q.763 definition set), MTP signalling network
management and signalling link test messages. It watches the processor's
heartbeat, and saves, loads, searches and copies captures (.ss7 files).
.
The package also holds velmora-dump, which decodes capture files and hex
messages on the command line as the window does (aligned, tab-separated or
JSON output), velmora-sim, which stands in for the signalling processor, and
velmora-gen, which writes a synthetic traffic mix of known outcome.")

include(CPack)
