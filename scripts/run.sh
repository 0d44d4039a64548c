#!/usr/bin/env bash
# Installs what is missing, builds the program (not the tests), and starts it.
# Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target mirelo mirelo-rtf podrecznik
exec build/mirelo "$@"
