#!/usr/bin/env bash
# Builds the benchmarks in build-bench/ and runs them (or those named: bash bench/run.sh bench_noteslist).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELO_BENCH=ON -DMIRELO_TESTS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=()
  for f in bench/bench_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
cmake --build build-bench -j"$(nproc)" --target "${targets[@]}"
for t in "${targets[@]}"; do
  echo "== $t"
  "build-bench/bench/$t"
done
