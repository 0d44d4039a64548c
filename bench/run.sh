#!/usr/bin/env bash
# Builds the benchmarks in build-bench/ and runs them, then the register
# comparison of mirelo-rtf with Jinja2. Name benchmarks to run only those:
#   bash bench/run.sh bench_noteslist bench_mainwindow
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The comparison needs Jinja2; the start-up a virtual screen, xev and xdotool.
for package in python3-jinja2 xvfb x11-utils xdotool; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$package"
  fi
done
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELO_BENCH=ON -DMIRELO_TESTS=OFF >/dev/null
targets=("$@")
compare=0
if [ ${#targets[@]} -eq 0 ]; then
  compare=1
  for f in bench/bench_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
cmake --build build-bench -j"$(nproc)" --target "${targets[@]}" mirelo-rtf mirelo empty_window generate_notes
for t in "${targets[@]}"; do
  echo "== $t"
  "build-bench/bench/$t"
done
if [ "$compare" = 1 ]; then
  echo "== mirelo-rtf against Jinja2"
  python3 bench/compare_mirelo_rtf.py build-bench/mirelo-rtf 100000
  echo "== start-up beside an empty Qt window"
  python3 bench/startup.py build-bench
fi
