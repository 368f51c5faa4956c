# Install rules: flat headers in include/talvex, the library, the CMake package and talvexcore.pc.
include(CMakePackageConfigHelpers)

install(TARGETS TalvexCore EXPORT TalvexCoreTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/talvex)

if(TALVEX_RUNTIME_LIBRARIES)
  install(FILES ${TALVEX_RUNTIME_LIBRARIES} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT TalvexCoreTargets
  NAMESPACE TalvexCore::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TalvexCore)

configure_package_config_file(cmake/TalvexCoreConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/TalvexCoreConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TalvexCore)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TalvexCoreConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/TalvexCoreConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/TalvexCoreConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TalvexCore)

configure_file(cmake/talvexcore.pc.in ${CMAKE_CURRENT_BINARY_DIR}/talvexcore.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/talvexcore.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
include(cmake/InstallClients.cmake)
