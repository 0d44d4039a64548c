#!/usr/bin/env bash
# Fills a database with demo companies, counterparties and notes.
#   bash scripts/demo.sh [DATABASE]     default: the program's database build/dane/mr.fdb
# A missing database is first made from the template; an existing one gets the demo rows added.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELO_BENCH=ON -DMIRELO_TESTS=OFF >/dev/null
cmake --build build-bench --target generate_notes >/dev/null
database=${1:-build/dane/mr.fdb}
if [ ! -e "$database" ]; then
  mkdir -p "$(dirname "$database")"
  cp build/db/mr.template "$database"
fi
build-bench/bench/generate_notes --demo "$database"
