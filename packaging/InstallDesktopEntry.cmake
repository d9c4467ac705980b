# Install step (run by `cmake --install` and CPack): writes the menu entry with the program's
# installed path and installs it. Set by the caller: VYR_DESKTOP_TEMPLATE, VYR_DESKTOP_STAGING,
# VYR_BINDIR and VYR_APPLICATIONS_DIR (relative to the prefix unless absolute).
set(VYR_EXEC "${VYR_BINDIR}/vyr")
if(NOT IS_ABSOLUTE "${VYR_EXEC}")
    set(VYR_EXEC "${CMAKE_INSTALL_PREFIX}/${VYR_EXEC}")
endif()
set(applications "${VYR_APPLICATIONS_DIR}")
if(NOT IS_ABSOLUTE "${applications}")
    set(applications "${CMAKE_INSTALL_PREFIX}/${applications}")
endif()
configure_file("${VYR_DESKTOP_TEMPLATE}" "${VYR_DESKTOP_STAGING}/org.vyr.Vyr.desktop" @ONLY)
file(INSTALL "${VYR_DESKTOP_STAGING}/org.vyr.Vyr.desktop" DESTINATION "${applications}")
