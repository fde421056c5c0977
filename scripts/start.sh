#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velbend (on the simulated card
# when no motion card is present) with the program folder home/ (or
# $VELBEND_HOME), seeded on first start from the sample folder app/sample/.
# Pass "cs7" to start the second build.  The window needs a display.
set -euo pipefail
cd "$(dirname "$0")/.."
# Qt's X11 and Wayland platforms need a display; any other platform chosen
# with QT_QPA_PLATFORM (offscreen, vnc, ...) needs none.
case "${QT_QPA_PLATFORM:-}" in
  "" | xcb* | wayland*)
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
      echo "No display: Velbend needs DISPLAY or WAYLAND_DISPLAY set (QT_QPA_PLATFORM=offscreen runs it without a window)." >&2
      exit 1
    fi
    ;;
esac
scripts/deps.sh
# A new build folder is configured RelWithDebInfo with Ninja; one configured
# by hand keeps its generator and build type.
scripts/configure.sh build
cmake --build build -j "$(nproc)" --target Velbend Velbend-CS7 TarvikM
prog=build/bin/Velbend
[ "${1:-}" = "cs7" ] && prog=build/bin/Velbend-CS7
if [ ! -x "$prog" ]; then
  echo "The main window is not built yet: $prog does not exist. The libraries and tests are in build/."
  exit 1
fi
# Card: vendor 0x1022, device 0x8952 on the PCI bus; without it, the simulated card.
if ! grep -qs 0x8952 /sys/bus/pci/devices/*/device; then export TARVIKM_SIM=${TARVIKM_SIM:-1}; fi
export VELBEND_HOME=${VELBEND_HOME:-$PWD/home}
# First start: parameter groups, system parameters, curvature and pat-arc
# tables, formtext.ini, the about box's cinf.ini and a letter outline
# (letter_e.dxf) from the sample.
if [ ! -e "$VELBEND_HOME/ParaGroup.ini" ]; then
  mkdir -p "$VELBEND_HOME"
  cp -rn app/sample/. "$VELBEND_HOME/"
  echo "Program folder $VELBEND_HOME seeded from app/sample/"
fi
mkdir -p "$VELBEND_HOME/SysPara"
echo "Starting $prog with the program folder $VELBEND_HOME${TARVIKM_SIM:+ on the simulated card}"
exec "$prog"
