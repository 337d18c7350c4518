# ovctl live against the simulated recorder (OV_HIKSIM_FILE comes from the
# test): the H.264 it writes holds as many pictures as the source clip, and
# the plain channel writes a program stream that FFmpeg reads.
#   cmake -DOVCTL=... -DCLIP=... -DOUT_DIR=... -P ovctl_live_hik.cmake

function(count_pictures file result)
  execute_process(COMMAND ffprobe -v error -count_frames -select_streams v:0
                    -show_entries stream=nb_read_frames -of csv=p=0 ${file}
                  OUTPUT_VARIABLE n OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ffprobe cannot read ${file}")
  endif()
  set(${result} ${n} PARENT_SCOPE)
endfunction()

function(ovctl_live out)
  execute_process(COMMAND ${OVCTL} live --type hik --addr 127.0.0.1 --user admin --pass 12345 --chan 1
                    ${ARGN} --raw ${out}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ovctl live ${ARGN} failed (${rc}):\n${stdout}\n${stderr}")
  endif()
endfunction()

count_pictures(${CLIP} source)

ovctl_live(${OUT_DIR}/ovctl_live.h264 --h264 --frames ${source})
count_pictures(${OUT_DIR}/ovctl_live.h264 got)
if(NOT got EQUAL source)
  message(FATAL_ERROR "ovctl live --h264 wrote ${got} pictures, the clip has ${source}")
endif()

ovctl_live(${OUT_DIR}/ovctl_live.ps --seconds 2)
count_pictures(${OUT_DIR}/ovctl_live.ps plain)
if(plain LESS 25)
  message(FATAL_ERROR "ovctl live on the plain channel wrote only ${plain} pictures in 2 s")
endif()
message(STATUS "clip ${source} pictures; ovctl live --h264 ${got}; plain channel ${plain} in 2 s")
