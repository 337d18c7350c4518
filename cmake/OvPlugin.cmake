# ov_add_plugin(<target> SOURCES ... [OUTPUT_DIR dir] [NO_INSTALL])
#
# A plug-in is a shared object named <target>.ovn. Its RPATH lists its own
# folder first, then the folder of libdevcore.so one level up, so libraries
# shipped beside the plug-in win over any others (DT_RPATH, not DT_RUNPATH,
# so the rule also holds for the plug-in's indirect dependencies).
function(ov_add_plugin target)
  cmake_parse_arguments(ARG "NO_INSTALL" "OUTPUT_DIR" "SOURCES" ${ARGN})
  if(NOT ARG_OUTPUT_DIR)
    set(ARG_OUTPUT_DIR ${OV_PLUGIN_OUTPUT_DIR})
  endif()
  add_library(${target} MODULE ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE OV::devcore)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX ".ovn"
    LIBRARY_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIR}
    SKIP_BUILD_RPATH ON
    INSTALL_RPATH "$ORIGIN:$ORIGIN/.."
    BUILD_WITH_INSTALL_RPATH ON)
  target_link_options(${target} PRIVATE -Wl,--disable-new-dtags -Wl,--no-undefined)
  if(NOT ARG_NO_INSTALL)
    install(TARGETS ${target} LIBRARY DESTINATION ${OV_INSTALL_PLUGINDIR})
  endif()
endfunction()
