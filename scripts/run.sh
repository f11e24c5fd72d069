#!/usr/bin/env bash
# Installs what building and running the Linux program needs (no test tools, no sound server),
# builds the program alone and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake --preset linux -DCLAVITAP_TESTS=OFF >/dev/null
cmake --build --preset linux --target clavitap
exec build/linux/clavitap
