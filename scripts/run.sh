#!/usr/bin/env bash
# Installs what is missing, builds Quavix and starts it. Arguments go to the program (files to
# open). Without a graphical display it says how to run the program in a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --parallel "$(nproc)"
if [ ! -x build/bin/Quavix ]; then
  echo "run.sh: build/bin/Quavix was not built; see the build output above." >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: Quavix is built (build/bin/Quavix) but needs a graphical display, and DISPLAY is not set." >&2
  echo "run.sh: Run this script from a desktop session, or in a virtual display:" >&2
  echo "run.sh:   xvfb-run -a -s '-screen 0 1280x1024x24' scripts/run.sh" >&2
  exit 1
fi
exec build/bin/Quavix "$@"
