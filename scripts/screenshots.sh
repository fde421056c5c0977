#!/usr/bin/env bash
# Renders the real main window offscreen on the simulated card (a letter of
# app/sample opened and picked, in Chinese, in English, and during a run)
# into <build>/screenshots/, and refreshes the README's picture
# docs/main-window.png from the Chinese one.  Usage: scripts/screenshots.sh [build]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tool="$build/bin/velbend_screenshots"
if [ ! -x "$tool" ]; then
  cmake --build "$build" --target velbend_screenshots TarvikM
fi
QT_QPA_PLATFORM=offscreen "$tool" "$build/screenshots" app/sample
mkdir -p docs
cp "$build/screenshots/main-window-zh.png" docs/main-window.png
echo "screenshots: $build/screenshots/ (README picture: docs/main-window.png)"
