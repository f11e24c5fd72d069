#!/usr/bin/env bash
# Installs what Clavitap needs, builds the Linux program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux
exec build/linux/clavitap
