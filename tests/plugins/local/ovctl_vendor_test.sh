#!/usr/bin/env bash
# ovctl live with a vendor stream (kinds 5 and 4), from the test plug-in
# "vendorfake": the blocks go unchanged, header first, to the decoder of their
# own stream type, and a stream type nobody decodes ends the run with the
# device layer's error.
#
#   ovctl_vendor_test.sh <ovctl> <stage folder with libdevcore.so> <work folder>
set -euo pipefail
. "$(dirname "$0")/../../script_lib.sh"
ovctl=$1
stage=$2
work=$3
fresh_folder "$work"
# the stage's copy of libdevcore.so, and with it the stage's plug-in folder
export LD_LIBRARY_PATH="$stage${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

"$ovctl" types | grep -q "^  vendorfake$" || fail "the stage's plug-ins are not the ones loaded"

"$ovctl" live --type vendorfake --chan 9 --frames 20 --raw "$work/raw.bin" --record "$work/rec.bin" \
  >"$work/out.txt" 2>"$work/err.txt" || fail "ovctl live: $(cat "$work/err.txt")"
cat "$work/out.txt"
grep -q ": 20 frames (0 key)" "$work/out.txt" || fail "summary: $(cat "$work/out.txt")"
grep -q "1 stream headers" "$work/out.txt" || fail "summary: $(cat "$work/out.txt")"
grep -q "stream-type 9 decoder" "$work/out.txt" || fail "summary: $(cat "$work/out.txt")"
[ "$(head -c 14 "$work/raw.bin")" = "VENDOR-HEADER;" ] || fail "the header is not first"
cmp "$work/raw.bin" "$work/rec.bin" || fail "the decoder did not get the blocks as received"

rc=0
"$ovctl" live --type vendorfake --chan 7 --seconds 5 --record "$work/none.bin" >/dev/null 2>"$work/err.txt" || rc=$?
[ "$rc" = 1 ] || fail "exit code $rc for stream type 7"
[ "$(cat "$work/err.txt")" = "ovctl live: error -3005: 缺少类型为[7]的相应解码组件" ] || fail "$(cat "$work/err.txt")"
echo "ovctl live with a vendor stream: all checks passed"
