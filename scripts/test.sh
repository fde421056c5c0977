#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test:
#  1. normal build, all tests, then the screenshots of the main window into
#     build/screenshots/ (the checkout is left as it was);
#  2. AddressSanitizer + UndefinedBehaviorSanitizer build, core tests (the
#     window models and the card library's tests among them);
#  3. ThreadSanitizer build, card-library tests;
#  4. clang libFuzzer targets, a short bounded run each.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== normal build =="
scripts/configure.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure --timeout 300 | tee build/ctest-summary.log
scripts/screenshots.sh build

echo "== address + undefined sanitizers =="
scripts/configure.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVELBEND_UI=OFF -DVELBEND_BENCH=OFF \
      -DVELBEND_SANITIZE=address,undefined
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan -L 'core|cardlib' -j "$jobs" --output-on-failure --timeout 600

if [ -d cardlib ]; then
  echo "== thread sanitizer (card library) =="
  scripts/configure.sh build-tsan -DCMAKE_BUILD_TYPE=Debug -DVELBEND_UI=OFF -DVELBEND_BENCH=OFF \
      -DVELBEND_SANITIZE=thread "-DVELBEND_LAYERS=testsupport;cardlib"
  cmake --build build-tsan -j "$jobs"
  ctest --test-dir build-tsan -L cardlib -j "$jobs" --output-on-failure --timeout 600
fi

if compgen -G '*/fuzz/fuzz_*.cpp' >/dev/null; then
  echo "== fuzz targets =="
  CC=clang CXX=clang++ scripts/configure.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELBEND_FUZZ=ON >/dev/null
  cmake --build build-fuzz -j "$jobs"
  # Every target in the tree is built and has committed seeds.
  for src in */fuzz/fuzz_*.cpp; do
    name=$(basename "$src" .cpp)
    if [ ! -x "build-fuzz/bin/$name" ]; then
      echo "fuzz target $name ($src) was not built" >&2
      exit 1
    fi
  done
  for f in build-fuzz/bin/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    mkdir -p "build-fuzz/corpus/$name"
    # Each target starts from its committed seeds (<layer>/fuzz/seeds/<target>/)
    # besides the working corpus; new inputs go to the first folder only.
    seeds=()
    for d in */fuzz/seeds/"$name"; do
      [ -d "$d" ] && seeds+=("$d")
    done
    if [ ${#seeds[@]} -eq 0 ] || [ -z "$(find "${seeds[@]}" -type f -print -quit)" ]; then
      echo "fuzz target $name has no seeds in */fuzz/seeds/$name" >&2
      exit 1
    fi
    echo "-- $name (seeds: ${seeds[*]})"
    # A crashing input is kept in build-fuzz/ (artifact_prefix), not in the checkout.
    "$f" -max_total_time="${FUZZ_SECONDS:-15}" -rss_limit_mb=2048 -artifact_prefix="build-fuzz/$name-" \
         "build-fuzz/corpus/$name" "${seeds[@]}" \
         > "build-fuzz/$name.log" 2>&1 || { tail -n 40 "build-fuzz/$name.log"; exit 1; }
    tail -n 1 "build-fuzz/$name.log"
  done
fi

echo "== summary (normal build; the sanitizer and fuzz runs above passed too) =="
grep -E 'tests passed' build/ctest-summary.log
