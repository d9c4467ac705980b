#!/usr/bin/env bash
# Test lines against the rest: non-blank lines that are not only a // comment, in .cpp and .h
# files under tests/ against the same in every other folder (product, tools, bench, fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
    git ls-files -- "$@" | grep -E '\.(cpp|h)$' | xargs cat | grep -vE '^\s*$' | grep -vcE '^\s*//'
}
tests=$(count tests)
others=$(count . ':!tests')
echo "tests ${tests}, other code ${others}, share $((100 * tests / others)) %"
