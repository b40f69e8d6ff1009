#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: ctest starts a private
# MariaDB server on 127.0.0.1 for the integration tests and stops it afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/setup.sh"
cd "${BREVANT_BUILD_DIR:-$here/build}"
ctest --output-on-failure "$@"
