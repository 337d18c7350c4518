# Installs the build tree into a scratch prefix, then builds the ten-line host
# against it twice, with find_package(OV) and with pkg-config, and runs both.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(f lib/libdevcore.so include/ov/devcore.h lib/cmake/OV/OVConfig.cmake lib/pkgconfig/ov-devcore.pc)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
if(NOT IS_DIRECTORY ${prefix}/lib/ovnplugin)
  message(FATAL_ERROR "not installed: lib/ovnplugin/")
endif()

run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build "-DCMAKE_PREFIX_PATH=${prefix}"
    "-DCMAKE_CXX_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/host)
message(STATUS "find_package host: ${last_output}")

set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
execute_process(COMMAND pkg-config --cflags --libs ov-devcore OUTPUT_VARIABLE pc_flags OUTPUT_STRIP_TRAILING_WHITESPACE)
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra UNIX_COMMAND "${EXTRA_FLAGS}")
run(c++ -std=c++17 ${extra} ${CONSUMER_DIR}/host.cpp -o ${WORK_DIR}/host_pc ${pc_flags})
run(${WORK_DIR}/host_pc)
message(STATUS "pkg-config host: ${last_output}")
