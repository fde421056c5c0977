#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velbend (on the simulated card
# when no motion card is present).  Pass "cs7" to start the second build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
prog=build/bin/Velbend
[ "${1:-}" = "cs7" ] && prog=build/bin/Velbend-CS7
if [ ! -x "$prog" ]; then
  echo "The main window is not built yet: $prog does not exist. The libraries and tests are in build/."
  exit 1
fi
# Card: vendor 0x1022, device 0x8952 on the PCI bus; without it, the simulated card.
if ! grep -qs 0x8952 /sys/bus/pci/devices/*/device; then export TARVIKM_SIM=${TARVIKM_SIM:-1}; fi
export VELBEND_HOME=${VELBEND_HOME:-$PWD/home}
mkdir -p "$VELBEND_HOME/SysPara"
exec "$prog"
