# Debian packages made from this build by CPack's DEB generator; scripts/package.sh configures a
# build with the prefix /usr, builds it, runs cpack and checks every package with lintian.
#
#   liborvelk7controls12       the shared library and its SONAME link
#   liborvelk7controls-dev     the headers, the CMake package, the .so link
#   orvelk7-designer-plugin    the plugin where Debian's Qt 6 Designer looks
#   orvelk7-terminal           k7, the reference form, the kiosk service, /etc/orvelk7/terminal.conf
#
# Each package is one install component (cmake/Install.cmake and below); run-time dependencies are
# computed by dpkg-shlibdeps from what the binaries link, and the packages of this build depend on
# each other at exactly this version.

# --- What the terminal package installs besides k7 ---------------------------------------------
# Under the prefix /usr the unit goes to /lib (Debian 12 keeps units there; lintian refuses them
# under /usr/lib) and the configuration to /etc. Under any other prefix both stay inside it, so a
# trial install (cmake --install --prefix DIR) writes nothing outside DIR.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(k7_unit_dir_default /lib/systemd/system)
  set(K7_CONFIG_DIR /etc/orvelk7)
else()
  set(k7_unit_dir_default lib/systemd/system)
  set(K7_CONFIG_DIR ${CMAKE_INSTALL_SYSCONFDIR}/orvelk7)
endif()
set(K7_SYSTEMD_UNIT_DIR ${k7_unit_dir_default} CACHE STRING "Where the kiosk service's unit is installed")
set(K7_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/orvelk7)
install(FILES examples/line-terminal.ui DESTINATION ${K7_SHARE_DIR} COMPONENT Terminal)
install(FILES packaging/orvelk7-terminal.service DESTINATION ${K7_SYSTEMD_UNIT_DIR} COMPONENT Terminal)
install(FILES packaging/terminal.conf DESTINATION ${K7_CONFIG_DIR} COMPONENT Terminal)
install(FILES docs/deploy.md docs/terminal.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvelk7-terminal
  COMPONENT Terminal)

# --- The packages ------------------------------------------------------------------------------
set(K7_PACKAGE_MAINTAINER "The OrvelK7Controls developers <orvelk7controls@users.noreply.github.com>"
  CACHE STRING "The Maintainer field of the Debian packages")
set(k7_components Runtime Development Designer Terminal)
set(k7_package_Runtime liborvelk7controls${PROJECT_VERSION_MAJOR})
set(k7_package_Development liborvelk7controls-dev)
set(k7_package_Designer orvelk7-designer-plugin)
set(k7_package_Terminal orvelk7-terminal)
set(k7_section_Runtime libs)
set(k7_section_Development libdevel)
set(k7_section_Designer devel)
set(k7_section_Terminal misc)
set(k7_summary_Runtime "shop-floor dashboard controls for Qt 6 - shared library")
set(k7_summary_Development "shop-floor dashboard controls for Qt 6 - development files")
set(k7_summary_Designer "shop-floor dashboard controls for Qt 6 - Qt Designer plugin")
set(k7_summary_Terminal "shop-floor line terminal running Qt Designer forms as a kiosk")
set(k7_description_Runtime "The shared library with the seven OrvelK7 controls (production codes,
scrap, first-article justification, OEE, cycle clock, production periods,
path picture) and their JSON and REST layers.")
set(k7_description_Development "Headers and the CMake package (find_package(OrvelK7Controls)) for
applications that link the OrvelK7 controls.")
set(k7_description_Designer "Puts the seven OrvelK7 controls in Qt Designer's widget box, each
showing sample figures, so shop-floor screens can be laid out in Designer.")
set(k7_description_Terminal "k7 runs a screen made in Qt Designer as a line terminal against the
plant's REST service. The package holds a systemd service that starts it
full screen at boot, restarts it when it exits or hangs, and reads
/etc/orvelk7/terminal.conf.")

# Debian wants a copyright and a changelog in each package's documentation folder; the changelog
# compressed without a name or a time stamp (gzip -n); its date is SOURCE_DATE_EPOCH when set, so
# a build that sets it gives the same packages from the same sources.
set(k7_changelog ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian)
string(TIMESTAMP k7_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${k7_changelog} "orvelk7controls (${PROJECT_VERSION}-1) unstable; urgency=medium

  * Packages built from the OrvelK7Controls ${PROJECT_VERSION} sources by scripts/package.sh.

 -- ${K7_PACKAGE_MAINTAINER}  ${k7_changelog_date}
")
execute_process(COMMAND gzip -9nc INPUT_FILE ${k7_changelog} OUTPUT_FILE ${k7_changelog}.gz)

foreach(component IN LISTS k7_components)
  string(TOUPPER ${component} upper)
  set(package ${k7_package_${component}})
  install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  install(FILES ${k7_changelog}.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
  set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${k7_section_${component}})
  set(CPACK_COMPONENT_${upper}_DESCRIPTION "${k7_summary_${component}}\n${k7_description_${component}}")
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${k7_components})
set(CPACK_PACKAGE_NAME orvelk7controls)
set(CPACK_PACKAGE_VENDOR "The OrvelK7Controls developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${K7_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE orvelk7controls)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The plugin links the library of this build: dpkg-shlibdeps runs in the staging folder of the
# plugin's package, beside the library's. The dependency itself is the exact one named below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ../Runtime/usr/${CMAKE_INSTALL_LIBDIR})
# The library's shlibs entry: an application built against 12.0 takes any later 12.x.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# dpkg's ldconfig trigger, which Debian wants from a package with a shared library in the linker's
# path (cpack's own postinst and postrm call ldconfig as well, which lintian only warns about).
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/packaging/triggers)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Runtime)
set(CPACK_COMPONENT_DESIGNER_DEPENDS Runtime)
# What the terminal loads at run time rather than links, so dpkg-shlibdeps cannot see it: Qt's
# eglfs platform (the unit draws on the display with it), the write journal's SQLite driver, and
# the Tahoma faces the controls are drawn in (the library falls back to another face without them).
set(CPACK_DEBIAN_TERMINAL_PACKAGE_DEPENDS "libqt6opengl6, libqt6sql6-sqlite")
set(CPACK_DEBIAN_TERMINAL_PACKAGE_RECOMMENDS "fonts-wine")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "fonts-wine, libqt6sql6-sqlite")
# /etc/orvelk7/terminal.conf is the machine's own once installed: an upgrade keeps its changes.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/conffiles "${K7_CONFIG_DIR}/terminal.conf\n")
set(CPACK_DEBIAN_TERMINAL_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_TERMINAL_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
