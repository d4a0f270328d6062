#!/usr/bin/env bash
# Builds and runs the tests under a sanitizer: scripts/sanitize.sh asan|tsan
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-asan}"
bash scripts/setup.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" -j 2 -LE e2e
