# The CMake package "OV": find_package(OV) gives OV::devcore and, where built,
# OV::servclient and OV::runlog.
include(CMakePackageConfigHelpers)
set(OV_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OV)
install(EXPORT OVTargets NAMESPACE OV:: DESTINATION ${OV_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/OVConfig.cmake.in
  ${CMAKE_BINARY_DIR}/OVConfig.cmake INSTALL_DESTINATION ${OV_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/OVConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/OVConfig.cmake ${CMAKE_BINARY_DIR}/OVConfigVersion.cmake
  DESTINATION ${OV_CMAKE_DIR})
