#!/usr/bin/env bash
# Installs what is missing, builds Quavix and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --parallel "$(nproc)"
if [ ! -x build/bin/Quavix ]; then
  echo "The Quavix program is not built yet: only its libraries and their tests exist so far." >&2
  exit 1
fi
exec build/bin/Quavix "$@"
