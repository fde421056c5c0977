#!/usr/bin/env bash
# Configures a build folder: cmake -S . -B <folder> <options...>.  A new
# folder gets Ninja; a folder configured before (also by hand, for example
# with Unix Makefiles) keeps its own generator.
# Usage: scripts/configure.sh <folder> [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
generator=
if [ -f "$dir/CMakeCache.txt" ]; then
  generator=$(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$dir/CMakeCache.txt")
fi
exec cmake -S . -B "$dir" -G "${generator:-Ninja}" "$@"
