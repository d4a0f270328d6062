#!/usr/bin/env bash
# Sets up, builds and runs every test (unit, Qt offscreen and end-to-end under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j 2 --timeout 600 "$@"
