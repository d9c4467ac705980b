#!/usr/bin/env bash
# Installs what is missing, builds, and runs the client against the built-in camera simulator on
# the loopback address 127.0.0.2, in a working folder of its own (run/), so that language.ini and
# usrinfo.bin of the demo never mix with anything else. Nothing leaves the loopback interface.
#
# The simulator reads commands on its standard input (capture, release, upload PATH, ...); here it
# streams a 1920 x 1080 H.264 test pattern at 25 pictures per second until the client closes.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target vyr camsim

root=$(pwd)
mkdir -p run
# Keep the simulator's standard input open (and quiet) for as long as the client runs.
sleep infinity | "${root}/build/default/tools/camsim/camsim" --address 127.0.0.2 \
    --client 127.0.0.1 > run/camsim.log 2>&1 &
camsim_pid=$!
trap 'kill "${camsim_pid}" 2>/dev/null || true; pkill -P $$ sleep 2>/dev/null || true' EXIT
echo "run-demo: camera simulator on 127.0.0.2 (log: run/camsim.log)"

cd run
"${root}/build/default/app/vyr" --camera 127.0.0.2
