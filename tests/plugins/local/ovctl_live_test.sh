#!/usr/bin/env bash
# ovctl live on the test clip through the "file" type, checked by tools we did
# not write: ffprobe must open the recording with the clip's size and the
# number of frames ovctl received, ffmpeg must decode it without a word on
# standard error, and the snapshot must be a JPEG of the clip's size. Then the
# command's errors: exit codes and the device layer's messages in UTF-8.
#
#   ovctl_live_test.sh <ovctl> <clip.mp4> <work folder>
set -euo pipefail
. "$(dirname "$0")/../../script_lib.sh"
ovctl=$1
clip=$2
work=$3
fresh_folder "$work"

expect_eq() {  # what, got, want
  [ "$2" = "$3" ] || fail "$1: got [$2], want [$3]"
}

window=()
if [ -n "${DISPLAY:-}" ]; then
  window=(--window)
fi

frames=60
"$ovctl" live --type file --chan "$clip" --frames $frames --raw "$work/live.h264" \
  --record "$work/live.ps" --snapshot "$work/live.jpg" "${window[@]}" >"$work/out.txt" 2>"$work/err.txt" ||
  fail "ovctl live failed: $(cat "$work/err.txt")"
cat "$work/out.txt"
grep -q " $frames frames (2 key)" "$work/out.txt" || fail "summary: $(cat "$work/out.txt")"

probe=$(ffprobe -v error -count_frames -select_streams v:0 \
  -show_entries stream=codec_name,width,height,nb_read_frames -of default=nw=1 "$work/live.ps")
expect_eq "ffprobe of the recording" "$probe" $'codec_name=h264\nwidth=640\nheight=360\nnb_read_frames='$frames
errors=$(ffmpeg -nostdin -hide_banner -v error -i "$work/live.ps" -f null - 2>&1) || fail "ffmpeg: $errors"
expect_eq "ffmpeg decoding the recording" "$errors" ""

probe=$(ffprobe -v error -show_entries stream=codec_name,width,height -of default=nw=1 "$work/live.jpg")
expect_eq "ffprobe of the snapshot" "$probe" $'codec_name=mjpeg\nwidth=640\nheight=360'
errors=$(ffmpeg -nostdin -hide_banner -v error -i "$work/live.jpg" -f null - 2>&1) || fail "ffmpeg: $errors"
expect_eq "ffmpeg decoding the snapshot" "$errors" ""

probe=$(ffprobe -v error -f h264 -count_frames -show_entries stream=nb_read_frames -of default=nw=1 "$work/live.h264")
expect_eq "frames in the raw file" "$probe" "nb_read_frames=$frames"

# errors: the device layer's code and message (GBK inside, UTF-8 on the terminal)
rc=0
"$ovctl" live --type nope --chan 1 --seconds 1 >/dev/null 2>"$work/err.txt" || rc=$?
expect_eq "exit code for an unknown type" "$rc" 1
expect_eq "message for an unknown type" "$(cat "$work/err.txt")" "ovctl live: error -3001: 缺少类型为[nope]的相应组件"

rc=0
"$ovctl" live --type file --chan "$work/missing.mp4" --seconds 1 >/dev/null 2>"$work/err.txt" || rc=$?
expect_eq "exit code for a missing file" "$rc" 1
grep -q "GetLiveChan gave no channel" "$work/err.txt" || fail "missing file: $(cat "$work/err.txt")"

rc=0
"$ovctl" live --type file --chan "$clip" --seconds 1 --frames 3 >/dev/null 2>&1 || rc=$?
expect_eq "exit code for --seconds with --frames" "$rc" 2
rc=0
"$ovctl" live --type file >/dev/null 2>&1 || rc=$?
expect_eq "exit code without --chan" "$rc" 2

"$ovctl" live --help | grep -q "^usage: ovctl live" || fail "ovctl live --help"
"$ovctl" types --help | grep -q "^usage: ovctl types" || fail "ovctl types --help"
echo "ovctl live: all checks passed"
