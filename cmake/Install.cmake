# What `cmake --install` puts under the prefix, so that an application finds the library with
#
#     find_package(OrvelK7Controls 12 REQUIRED)
#     target_link_libraries(app PRIVATE OrvelK7::Controls)
#
#   <libdir>/libOrvelK7Controls.so.12.0    (SONAME libOrvelK7Controls.so.12) and its links
#   include/OrvelK7Controls/...            the public headers (K7_PUBLIC_HEADERS below), in the tree
#                                          they are included by, and orvelk7controls_export.h
#   <libdir>/cmake/OrvelK7Controls/        the package: config, version, exported targets
#   bin/k7                                 the reference host and tool (with the simulated plant)
#   <libdir>/qt6/plugins/designer/         the Qt Designer plugin, when it is built
include(CMakePackageConfigHelpers)

set(K7_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvelK7Controls)

install(TARGETS OrvelK7Controls EXPORT OrvelK7ControlsTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development)

# The public headers: the umbrella OrvelK7Controls.h, the headers of the exported classes, and the
# headers those include (a public header compiles on its own against the install; the install test
# builds each one alone). Everything else under src/ is the library's own, named *_p.h, and stays
# behind, so it can change within 12.x. A header added here is API from then on.
set(K7_PUBLIC_HEADERS
  OrvelK7Controls.h
  controls/ControlCatalog.h
  controls/faijustifier/FaiJustifier.h
  controls/oeetracker/OEETracker.h
  controls/pathcontrol/PathControl.h
  controls/prodcode/ProdCode.h
  controls/productionperiodtable/ProductionPeriodTable.h
  controls/scrapscreen/ScrapScreen.h
  controls/timetracker/TimeTracker.h
  core/Date.h
  core/Decimal.h
  core/Object.h
  core/RuntimeError.h
  core/Variant.h
  frame/drawing/CaptionPainting.h
  frame/drawing/Colors.h
  frame/children/CommandButton.h
  frame/properties/ComponentIdentity.h
  frame/control/ControlBase.h
  frame/children/ControlChild.h
  frame/control/ControlHost.h
  frame/control/Description.h
  frame/requests/Envelope.h
  frame/drawing/FontStyle.h
  frame/requests/HttpVerb.h
  frame/children/Label.h
  frame/children/PopupMenu.h
  frame/properties/PropertyBag.h
  frame/properties/PropertyKey.h
  frame/properties/PropertyTable.h
  frame/requests/RequestOutcome.h
  frame/control/ServiceControl.h
  frame/control/ShownState.h
  frame/children/TextChild.h
  frame/drawing/Twips.h
  frame/children/TwipsRect.h
  frame/children/WidgetGeometry.h
  frame/children/WidgetStyles.h
  frame/requests/WriteJournal.h
  frame/requests/WriteOutcome.h
  json/JsonBag.h
  service/HttpRequestObject.h
  service/RestClient.h)
# A header is private by its name alone, so that a reader of src/ knows without this list: every
# header outside the list ends in _p.h.
file(GLOB_RECURSE k7_headers RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR}/src/*.h)
list(FILTER k7_headers EXCLUDE REGEX "_p\\.h$")
list(REMOVE_ITEM k7_headers ${K7_PUBLIC_HEADERS})
if(k7_headers)
  message(FATAL_ERROR "Headers neither installed nor named *_p.h: ${k7_headers}")
endif()
foreach(header IN LISTS K7_PUBLIC_HEADERS)
  cmake_path(GET header PARENT_PATH folder)
  install(FILES src/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/OrvelK7Controls/${folder}
    COMPONENT Development)
endforeach()
install(FILES ${K7_GENERATED_INCLUDE_DIR}/orvelk7controls_export.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/OrvelK7Controls COMPONENT Development)
install(EXPORT OrvelK7ControlsTargets NAMESPACE OrvelK7:: DESTINATION ${K7_PACKAGE_DIR}
  FILE OrvelK7ControlsTargets.cmake COMPONENT Development)

configure_package_config_file(cmake/OrvelK7ControlsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/OrvelK7ControlsConfig.cmake INSTALL_DESTINATION ${K7_PACKAGE_DIR})
# 12.x keeps the 12 ABI; the SONAME carries the same major version.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/OrvelK7ControlsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/OrvelK7ControlsConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/OrvelK7ControlsConfigVersion.cmake
  DESTINATION ${K7_PACKAGE_DIR} COMPONENT Development)

if(TARGET k7)
  # k7 carries the layer archives it links (apps/k7), so it needs no library of ours at run time.
  install(TARGETS k7 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Terminal)
endif()
