#!/usr/bin/env bash
# Fills a database with demo companies, counterparties and notes.
#   bash scripts/demo.sh [DATABASE]
# Without an argument: the program's own database, in the machine's data folder
# (/var/lib/Vorlane/Mirelo/Dane) when it exists, else in the user's
# (~/.local/share/Vorlane/Mirelo/Dane). A missing database is first made from
# the template; running it again adds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target generate_notes template_db >/dev/null
if [ $# -ge 1 ]; then
  database=$1
elif [ -d /var/lib/Vorlane/Mirelo/Dane ]; then
  database=/var/lib/Vorlane/Mirelo/Dane/mr.fdb
else
  database=${XDG_DATA_HOME:-$HOME/.local/share}/Vorlane/Mirelo/Dane/mr.fdb
fi
if [ ! -e "$database" ]; then
  mkdir -p "$(dirname "$database")"
  # A database an earlier version kept beside the program moves, as the program moves it.
  if [ $# -eq 0 ] && [ -e build/dane/mr.fdb ]; then
    mv build/dane/mr.fdb "$database"
  else
    cp build/db/mr.template "$database"
  fi
fi
build/generate_notes --demo "$database"
