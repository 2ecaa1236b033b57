# What `cmake --install` puts under the prefix, so that an application finds the library with
#
#     find_package(OrvelK7Controls 11 REQUIRED)
#     target_link_libraries(app PRIVATE OrvelK7::Controls)
#
#   <libdir>/libOrvelK7Controls.so.11.2    (SONAME libOrvelK7Controls.so.11) and its links
#   include/OrvelK7Controls/...            the public headers, in the tree they are included by
#   <libdir>/cmake/OrvelK7Controls/        the package: config, version, exported targets
#   bin/k7                                 the reference host and tool (with the simulated plant)
#   <libdir>/qt6/plugins/designer/         the Qt Designer plugin, when it is built
#
# Headers ending in _p.h are the library's own and stay behind.
include(CMakePackageConfigHelpers)

set(K7_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OrvelK7Controls)

install(TARGETS OrvelK7Controls EXPORT OrvelK7ControlsTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime NAMELINK_COMPONENT Development)
install(DIRECTORY src/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/OrvelK7Controls COMPONENT Development
  FILES_MATCHING PATTERN "*.h" PATTERN "*_p.h" EXCLUDE)
install(FILES ${K7_GENERATED_INCLUDE_DIR}/orvelk7controls_export.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/OrvelK7Controls COMPONENT Development)
install(EXPORT OrvelK7ControlsTargets NAMESPACE OrvelK7:: DESTINATION ${K7_PACKAGE_DIR}
  FILE OrvelK7ControlsTargets.cmake COMPONENT Development)

configure_package_config_file(cmake/OrvelK7ControlsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/OrvelK7ControlsConfig.cmake INSTALL_DESTINATION ${K7_PACKAGE_DIR})
# 11.x keeps the 11 ABI; the SONAME carries the same major version.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/OrvelK7ControlsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/OrvelK7ControlsConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/OrvelK7ControlsConfigVersion.cmake
  DESTINATION ${K7_PACKAGE_DIR} COMPONENT Development)

if(TARGET k7)
  # The installed tool finds the installed library next to it, wherever the prefix is.
  set_target_properties(k7 PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS k7 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
endif()
