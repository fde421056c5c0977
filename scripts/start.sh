#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velbend (on the simulated card
# when no motion card is present) with the program folder home/ (or
# $VELBEND_HOME), seeded on first start from the sample folder app/sample/.
# Pass "cs7" to start the second build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target Velbend Velbend-CS7 TarvikM
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
# tables, formtext.ini and a letter outline (letter_e.dxf) from the sample.
if [ ! -e "$VELBEND_HOME/ParaGroup.ini" ]; then
  mkdir -p "$VELBEND_HOME"
  cp -rn app/sample/. "$VELBEND_HOME/"
  echo "Program folder $VELBEND_HOME seeded from app/sample/"
fi
mkdir -p "$VELBEND_HOME/SysPara"
echo "Starting $prog with the program folder $VELBEND_HOME${TARVIKM_SIM:+ on the simulated card}"
exec "$prog"
