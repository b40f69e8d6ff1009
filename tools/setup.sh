#!/usr/bin/env bash
# Installs the Debian packages of tools/packages.txt that are missing, then
# configures and builds Brevant in build/ (or $BREVANT_BUILD_DIR).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BREVANT_BUILD_DIR:-$here/build}

mapfile -t wanted < <(grep -v '^\s*\(#\|$\)' "$here/tools/packages.txt")
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  # The package's own mariadb service is not needed: tests start a private server.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${BREVANT_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
