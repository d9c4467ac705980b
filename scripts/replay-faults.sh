#!/usr/bin/env bash
# Seeds real faults into the code one at a time and shows that the test suite catches each: for
# every scripts/faults/*.patch it applies the patch, builds, runs the suites the patch names and
# restores the tree. A fault that no test catches is reported as MISSED and the script fails.
# Not part of CI (each fault costs a rebuild); run it before and after changing the tests.
#
#   scripts/replay-faults.sh                 every fault
#   scripts/replay-faults.sh 03 07           the faults whose file names start with 03 and 07
#
# A patch starts with two header lines that git apply ignores:
#   Fault: what the patch breaks
#   Tests: <preset> <ctest regex>     the preset (default, asan or tsan) and the suites to run
set -uo pipefail
cd "$(dirname "$0")/.."

if ! git diff --quiet; then
    echo "replay-faults: the work tree has changes; commit or stash them first" >&2
    exit 2
fi

patches=()
if [[ $# -eq 0 ]]; then
    patches=(scripts/faults/*.patch)
else
    for prefix in "$@"; do
        patches+=(scripts/faults/"${prefix}"*.patch)
    done
fi

logs=$(mktemp -d)
trap 'rm -rf "${logs}"' EXIT
configured=()
caught=0
missed=()
for patch in "${patches[@]}"; do
    name=$(basename "${patch}" .patch)
    fault=$(sed -n 's/^Fault: //p' "${patch}" | head -n 1)
    read -r preset regex < <(sed -n 's/^Tests: //p' "${patch}" | head -n 1)
    echo "== ${name}: ${fault}"
    if ! git apply "${patch}"; then
        echo "   does not apply to this tree: update the patch" >&2
        missed+=("${name} (does not apply)")
        continue
    fi
    if [[ ! " ${configured[*]} " =~ " ${preset} " ]]; then
        cmake --preset "${preset}" >/dev/null
        configured+=("${preset}")
    fi
    runner=()
    targets=()
    labels=()
    if [[ "${preset}" == tsan ]]; then
        # ThreadSanitizer builds and runs the threaded tests only, as in CI.
        runner=(setarch "$(uname -m)" -R)
        targets=(--target threaded_tests)
        labels=(-L threads)
    fi
    if ! cmake --build --preset "${preset}" "${targets[@]}" >"${logs}/build.log" 2>&1; then
        echo "   caught by the build"
        caught=$((caught + 1))
    elif "${runner[@]}" ctest --preset "${preset}" "${labels[@]}" -R "${regex}" >"${logs}/test.log" 2>&1; then
        echo "   MISSED: every test passed"
        missed+=("${name}")
    else
        echo "   caught by: $(grep -aE '^\s+[0-9]+ - ' "${logs}/test.log" | sed -E 's/^\s+[0-9]+ - //; s/ \(.*//' | paste -sd ' ')"
        caught=$((caught + 1))
    fi
    git apply -R "${patch}"
done

# Leave the build matching the tree again.
for preset in "${configured[@]}"; do
    if [[ "${preset}" == tsan ]]; then
        cmake --build --preset tsan --target threaded_tests >/dev/null 2>&1
    else
        cmake --build --preset "${preset}" >/dev/null 2>&1
    fi
done

echo "== ${caught} of ${#patches[@]} faults caught"
if [[ ${#missed[@]} -ne 0 ]]; then
    printf 'missed: %s\n' "${missed[@]}"
    exit 1
fi
