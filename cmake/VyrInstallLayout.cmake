# Where `cmake --install` and the Debian package put things (GNUInstallDirs), and the install
# marker: a file under the installation's data folder that tells the program it runs installed,
# so that it keeps its data under $XDG_DATA_HOME/vyr and never writes beside itself. The program
# finds the marker through the relative path from the binary folder, which holds for every prefix
# (the package's /usr as well as the build's CMAKE_INSTALL_PREFIX).
include(GNUInstallDirs)

set(VYR_INSTALL_MARKER_DIR "${CMAKE_INSTALL_DATADIR}/vyr")
set(VYR_INSTALL_MARKER_NAME "installed")
file(RELATIVE_PATH VYR_INSTALL_MARKER_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_FULL_DATADIR}/vyr/${VYR_INSTALL_MARKER_NAME}")
