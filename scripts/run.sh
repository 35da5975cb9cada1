#!/usr/bin/env bash
# Installs what is missing, builds Quavix and starts it. Arguments go to the program (files to
# open). Without a graphical display the program runs in a virtual one (xvfb-run) when that is
# installed, and otherwise this script says what is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja
cmake --build build --parallel "$(nproc)"
if [ ! -x build/bin/Quavix ]; then
  echo "run.sh: build/bin/Quavix was not built; see the build output above." >&2
  exit 1
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  exec build/bin/Quavix "$@"
fi
if command -v xvfb-run >/dev/null 2>&1; then
  echo "run.sh: no graphical display (DISPLAY is not set): starting Quavix in a virtual display (xvfb-run)." >&2
  echo "run.sh: its windows are not visible there; start it from a desktop session to use it." >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/Quavix "$@"
fi
echo "run.sh: Quavix needs a graphical display. Run it from a desktop session (with DISPLAY set)," >&2
echo "run.sh: or install xvfb (scripts/setup-deps.sh does) to run it in a virtual display." >&2
exit 1
