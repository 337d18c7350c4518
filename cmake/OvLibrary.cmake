# ov_add_shared_library(<target> EXPORT_NAME <name> SOURCES ...)
#
# A shared library that hosts link: OV::<name> in this tree and in the
# installed CMake package, public headers from the folder's include/, no
# undefined symbols left for the host to supply. Headers and the pkg-config
# file are installed by the caller, as each library chooses what it ships.
function(ov_add_shared_library target)
  cmake_parse_arguments(ARG "" "EXPORT_NAME" "SOURCES" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  add_library(OV::${ARG_EXPORT_NAME} ALIAS ${target})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_options(${target} PRIVATE -Wl,--no-undefined)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${ARG_EXPORT_NAME})
  install(TARGETS ${target} EXPORT OVTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endfunction()
