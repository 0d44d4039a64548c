#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, -fsanitize=fuzzer,address,undefined)
# into build-fuzz/ and runs one of them for SECONDS over a scratch copy of its
# kept corpus (tests/fuzz/corpus/TARGET) plus seeds made from the tests'
# templates and pictures. Prints runs, coverage and findings at the end.
#
#   bash scripts/fuzz.sh TARGET SECONDS [--merge]
#
# TARGET: fuzz_template, fuzz_rtfstream, fuzz_expression, fuzz_expression_eval,
# fuzz_pictures. --merge minimises the kept corpus together with what the run
# found (libFuzzer -merge=1: only inputs that add coverage stay); commit it.
# Findings (crash-*, leak-*, timeout-*, oom-*) and slow inputs (slow-unit-*)
# stay in the printed folder. A run paused (kill -STOP) for more than the
# 30 s timeout reports a timeout when resumed: libFuzzer counts wall time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

usage() { echo "usage: scripts/fuzz.sh TARGET SECONDS [--merge]" >&2; exit 2; }
[ $# -ge 2 ] || usage
target=$1 seconds=$2 merge=${3:-}
[[ $seconds =~ ^[0-9]+$ ]] || usage
[ -z "$merge" ] || [ "$merge" = --merge ] || usage
[ -f "tests/fuzz/$target.cpp" ] || { echo "scripts/fuzz.sh: no target $target" >&2; exit 2; }

bash scripts/setup.sh clang lld llvm

build=${MIRELO_FUZZ_DIR:-build-fuzz}
mkdir -p "$build"
# Runs of several targets at once share the build folder: one builds at a time.
(
  flock 9
  cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMIRELO_FUZZ=ON -DMIRELO_TESTS=OFF -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld >/dev/null
  cmake --build "$build" -j"${MIRELO_JOBS:-2}" --target "$target" make_seeds
) 9>"$build/.fuzz-build.lock"

kept=tests/fuzz/corpus/$target
mkdir -p "$kept"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/mirelo-fuzz-$target.XXXXXX")
mkdir "$scratch/corpus" "$scratch/seeds" "$scratch/findings"
cp -r "$kept/." "$scratch/corpus/"

# Seeds from the tests' and the program's templates, so that the run starts
# from what the tests use today even where the kept corpus is older.
rtf_files=(templates/*.rtf tests/rtfreport/data/*.rtf tests/rtfreport/data/broken/*.rtf)
case $target in
  fuzz_template)
    for f in "${rtf_files[@]}"; do
      # The target puts "{\rtf1 " in front itself.
      sed '1s/^{\\rtf1//' "$f" >"$scratch/seeds/$(basename "$f")"
    done
    mkdir "$scratch/pictures"
    QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/make_seeds" "$scratch/pictures" "$scratch/seeds"
    ;;
  fuzz_rtfstream)
    i=0
    for f in "${rtf_files[@]}"; do
      # The first byte picks the options: plain, lists, table, as header groups.
      for choice in '\0' '\3' '\4' '\40'; do
        { printf "$choice"; cat "$f"; } >"$scratch/seeds/$((i++))"
      done
    done
    ;;
  fuzz_expression | fuzz_expression_eval)
    i=0
    # Field bodies of the templates, and hand-written expressions.
    { grep -aho '\\\\[^\\]\{1,200\}\\\\' "${rtf_files[@]}" | sed 's/^\\\\//; s/\\\\$//'
      cat tests/fuzz/seeds/expressions.txt; } | sort -u | while IFS= read -r line; do
      printf '%s' "$line" >"$scratch/seeds/$((i++))"
    done
    ;;
  fuzz_pictures)
    mkdir -p "$scratch/templates"
    QT_QPA_PLATFORM=offscreen "$build/tests/fuzz/make_seeds" "$scratch/seeds" "$scratch/templates"
    for f in tests/rtfreport/data/*.jpg tests/rtfreport/data/*.png; do
      { printf '\0'; cat "$f"; } >"$scratch/seeds/$(basename "$f")"
    done
    ;;
esac

case $target in
  fuzz_template) max_len=65536 ;;
  fuzz_rtfstream) max_len=65536 ;;
  fuzz_pictures) max_len=32768 ;;
  *) max_len=4096 ;;
esac
options=detect_leaks=1
# The expression targets' memory grows only by ASan's quarantine of their many
# small short-lived strings; without it they stay within the RSS limit.
case $target in
  fuzz_expression | fuzz_expression_eval) options=$options:quarantine_size_mb=0:malloc_context_size=0 ;;
esac

log=$scratch/fuzz.log
echo "scripts/fuzz.sh: $target for $seconds s, log $log"
status=0
QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=${ASAN_OPTIONS:-$options} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
  "$build/tests/fuzz/$target" "$scratch/corpus" "$scratch/seeds" \
  -max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=2048 -timeout=30 \
  -dict=tests/fuzz/fuzz.dict -print_final_stats=1 -artifact_prefix="$scratch/findings/" \
  >"$log" 2>&1 || status=$?

runs=$(grep -ao 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
last=$(grep -a ' cov: ' "$log" | tail -1 || true)
cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || true)
ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || true)
findings=$(find "$scratch/findings" -type f ! -name 'slow-unit-*' | wc -l)
# Slow inputs are no fault, but worth a look: they show where time goes.
slow=$(find "$scratch/findings" -type f -name 'slow-unit-*' | wc -l)
echo "scripts/fuzz.sh: $target: runs ${runs:-?}, cov ${cov:-?}, ft ${ft:-?}, findings $findings, slow inputs $slow (exit $status)"
echo "  last: $last"
if ((findings + slow)); then
  ls -l "$scratch/findings"
fi
if ((findings)); then
  grep -a -m3 -A12 '^==[0-9]*==ERROR\|runtime error\|^==[0-9]*== ERROR' "$log" || true
fi

if [ "$merge" = --merge ]; then
  # The seeds are made again at every run, so the kept corpus holds only what
  # adds coverage beyond them, and only inputs of up to 4 KiB: larger ones are
  # mostly the seeds' templates with a change, and would make it megabytes.
  merged=$scratch/merged candidates=$scratch/candidates
  mkdir "$merged" "$candidates"
  cp "$scratch/seeds/." -r "$merged/"
  find "$scratch/corpus" -type f -size -4097c -exec cp -t "$candidates" {} +
  ASAN_OPTIONS=${ASAN_OPTIONS:-$options} QT_QPA_PLATFORM=offscreen \
    "$build/tests/fuzz/$target" -merge=1 -max_len="$max_len" -rss_limit_mb=2048 -timeout=30 \
    "$merged" "$candidates" >"$scratch/merge.log" 2>&1
  (cd "$scratch/seeds" && find . -type f -exec rm -f "$merged/{}" \;)
  rm -rf "$kept" && mv "$merged" "$kept"
  echo "scripts/fuzz.sh: kept corpus $kept: $(find "$kept" -type f | wc -l) files, $(du -sb "$kept" | cut -f1) bytes"
fi
if ((findings)) || ((status)); then exit 1; fi
