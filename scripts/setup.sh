#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# and those named as arguments (tools of other scripts).
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build qt6-base-dev
  # Qt's own buttons and dialogs in Polish
  qt6-translations-l10n
  # the database: client library, embedded engine, isql-fb for the template database
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  # tests and benchmarks; the server stands in for a shared installation
  firebird3.0-server
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # the report engine's command-line tool
  libsimdjson-dev
  # the word processor that judges the engine's RTF in integration tests and
  # turns the user manual into PDF
  libreoffice-writer-nogui
  # the manual's test reads the PDF back
  poppler-utils
  # the desktop's shell: the manual, the print folder, web pages and
  # printouts open through xdg-open
  xdg-utils
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "scripts/setup.sh: installing ${missing[*]} needs root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
