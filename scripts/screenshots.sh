#!/usr/bin/env bash
# Renders the real main window offscreen on the simulated card (a letter of
# app/sample opened and picked, in Chinese, in English, and during a run;
# Velbend-CS7 as it starts) into <build>/screenshots/.  With --readme it also
# refreshes the README's picture docs/main-window.png from the Chinese one;
# the same code renders the same bytes at every run.
# Usage: scripts/screenshots.sh [--readme] [build]
set -euo pipefail
cd "$(dirname "$0")/.."
readme=
if [ "${1:-}" = "--readme" ]; then
  readme=1
  shift
fi
build=${1:-build}
cmake --build "$build" --target velbend_screenshots TarvikM
QT_QPA_PLATFORM=offscreen "$build/bin/velbend_screenshots" "$build/screenshots" app/sample
if [ -n "$readme" ]; then
  cp "$build/screenshots/main-window-zh.png" docs/main-window.png
  echo "screenshots: $build/screenshots/; README picture refreshed: docs/main-window.png"
else
  echo "screenshots: $build/screenshots/"
fi
