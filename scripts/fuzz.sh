#!/usr/bin/env bash
# Builds the libFuzzer targets (clang) and runs each for SECONDS (default 60).
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
# libFuzzer's runtime comes with clang's runtime package.
if ! dpkg-query -W -f='${Status}' libclang-rt-14-dev 2>/dev/null | grep -q "install ok installed"; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq libclang-rt-14-dev >/dev/null
fi
cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j2 --target fuzz_text_rules fuzz_merge_cookies
status=0
for target in fuzz_text_rules fuzz_merge_cookies; do
  corpus="build-fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target, $seconds s"
  if ! "build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len=512 -print_final_stats=1 \
       -artifact_prefix="build-fuzz/$target-" "$corpus" 2>&1 | tail -n 12; then
    status=1
  fi
done
exit $status
