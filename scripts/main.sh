#!/usr/bin/env bash
# The main job: install what is missing, build, and run the host tool.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOV_BUILD_TESTS=OFF -DOV_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" -j "$(nproc)"
"$root/build/bin/ovctl" types

# The bundled clip as a live camera of the "file" type for five seconds: shown
# in a window when there is a display, recorded as a program stream, and
# captured as JPEG at the end.
out="$root/build/main-job"
mkdir -p "$out"
window=()
if [ -n "${DISPLAY:-}" ]; then
  window=(--window)
else
  echo "main job: no X display (DISPLAY is not set), so the live window is skipped; recording and snapshot go on"
fi
echo
"$root/build/bin/ovctl" live --type file --chan "$root/tests/data/clip.mp4" --seconds 5 \
  --record "$out/live.ps" --snapshot "$out/live.jpg" "${window[@]}"
echo
echo "main job: the recording is $out/live.ps (MPEG-2 program stream, e.g. ffplay $out/live.ps)"
echo "main job: the snapshot is $out/live.jpg"
