#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test suite: the normal build (warnings are
# errors), AddressSanitizer + UndefinedBehaviorSanitizer, ThreadSanitizer, and a short libFuzzer
# run of every fuzz target. Stops at the first failure.
#
#   scripts/run-tests.sh              everything
#   VYR_FUZZ_SECONDS=60 scripts/run-tests.sh   longer fuzz runs (default 5 s per target)
#   VYR_CI=1 scripts/run-tests.sh      what CI runs (.ci/run): every suite under ASan/UBSan and the
#                                      threaded ones under TSan, the fuzzers, but no plain build and
#                                      no benchmarks, with line-only debug info, to stay within
#                                      CI's 20 minutes on 2 cores
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

fuzz_seconds=${VYR_FUZZ_SECONDS:-5}

presets=(default asan)
ci_debug=()
ci_optimised=()
if [[ "${VYR_CI:-0}" == 1 ]]; then
    # The plain build runs the same suites as the ASan/UBSan build; CI keeps the latter only.
    presets=(asan)
    ci_debug=(-DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1)
    ci_optimised=("-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
                  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
fi

for preset in "${presets[@]}"; do
    echo "== ${preset}: build"
    cmake --preset "${preset}" -DVYR_WERROR=ON "${ci_debug[@]}" >/dev/null
    cmake --build --preset "${preset}"
    echo "== ${preset}: test"
    ctest --preset "${preset}"
done

# ThreadSanitizer runs the tests of code that runs on several threads (label "threads"): the link,
# the rings, the frame paths, recording and the simulator. It cannot map its shadow memory under
# the high address randomisation of newer kernels; without randomisation it always can.
echo "== tsan: build"
cmake --preset tsan -DVYR_WERROR=ON "${ci_optimised[@]}" >/dev/null
cmake --build --preset tsan --target threaded_tests
echo "== tsan: test"
setarch "$(uname -m)" -R ctest --preset tsan -L threads

echo "== fuzz: build"
cmake --preset fuzz -DVYR_WERROR=ON "${ci_optimised[@]}" >/dev/null
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
