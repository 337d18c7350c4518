#!/usr/bin/env bash
# The main job: install what is missing, build, and run the host tool.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOV_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build" -j "$(nproc)"
"$root/build/bin/ovctl" types
