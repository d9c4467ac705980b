#!/usr/bin/env bash
# Installs what is missing, builds, and runs the client against the built-in camera simulator on
# the loopback address 127.0.0.2, in a working folder of its own (run/), so that language.ini and
# usrinfo.bin of the demo never mix with anything else. Nothing leaves the loopback interface.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default

camsim=build/default/tools/camsim/camsim
client=build/default/app/vyr
if [[ ! -x "${client}" || ! -x "${camsim}" ]]; then
    # The client and the simulator are not built by this version of the project yet; show what
    # exists: the AVI writer against a plain write of the same bytes.
    echo "run-demo: the client is not part of this version yet; running the AVI writer benchmark"
    exec build/default/bench/avi_writer_bench --benchmark_min_time=0.2
fi

mkdir -p run
"${camsim}" --address 127.0.0.2 &
camsim_pid=$!
trap 'kill "${camsim_pid}" 2>/dev/null || true' EXIT
cd run
"../${client}" --camera 127.0.0.2
