#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Safe to run again.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang
  qt6-base-dev libqt6opengl6-dev libgl-dev
  libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  tinyproxy curl
  xvfb xdotool imagemagick x11-utils
  fonts-wqy-microhei
  python3 python3-pil
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# tinyproxy's package starts a system-wide daemon; the tests run their own.
if command -v systemctl >/dev/null 2>&1; then $SUDO systemctl disable --now tinyproxy >/dev/null 2>&1 || true; fi
$SUDO pkill -x tinyproxy >/dev/null 2>&1 || true
exit 0
