#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test suite: the normal build (warnings are
# errors), AddressSanitizer + UndefinedBehaviorSanitizer, ThreadSanitizer, and a short libFuzzer
# run of every fuzz target. Stops at the first failure.
#
#   scripts/run-tests.sh              everything
#   VYR_FUZZ_SECONDS=60 scripts/run-tests.sh   longer fuzz runs (default 5 s per target)
#   VYR_BUILD_BENCH=OFF scripts/run-tests.sh   without building the benchmarks (CI, to keep its time)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

fuzz_seconds=${VYR_FUZZ_SECONDS:-5}
build_bench=${VYR_BUILD_BENCH:-ON}

for preset in default asan; do
    echo "== ${preset}: build"
    options=(-DVYR_WERROR=ON)
    if [[ "${preset}" == default ]]; then
        options+=(-DVYR_BUILD_BENCH="${build_bench}")
    fi
    cmake --preset "${preset}" "${options[@]}" >/dev/null
    cmake --build --preset "${preset}"
    echo "== ${preset}: test"
    ctest --preset "${preset}"
done

# ThreadSanitizer runs the tests of code that runs on several threads (label "threads"): the link,
# the rings, the frame paths, recording and the simulator. It cannot map its shadow memory under
# the high address randomisation of newer kernels; without randomisation it always can.
echo "== tsan: build"
cmake --preset tsan -DVYR_WERROR=ON >/dev/null
cmake --build --preset tsan --target threaded_tests
echo "== tsan: test"
setarch "$(uname -m)" -R ctest --preset tsan -L threads

echo "== fuzz: build"
cmake --preset fuzz -DVYR_WERROR=ON >/dev/null
cmake --build --preset fuzz --target fuzz_targets
while read -r target corpus; do
    [[ -n "${target}" ]] || continue
    echo "== fuzz: ${target} for ${fuzz_seconds} s"
    # New inputs go to a scratch folder; the seed corpus in the tree stays as committed.
    scratch=$(mktemp -d)
    build/fuzz/fuzz/"${target}" -max_total_time="${fuzz_seconds}" -print_final_stats=1 \
        -artifact_prefix=build/fuzz/"${target}"- "${scratch}" "${corpus}" 2>&1 | tail -n 12
    rm -rf "${scratch}"
done < build/fuzz/fuzz_targets.txt

echo "== all tests passed"
