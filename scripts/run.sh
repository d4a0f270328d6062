#!/usr/bin/env bash
# Sets up, builds and starts 星澜测速大师.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec build/xinglan-speedtest
