#!/bin/sh
# Runs every libFuzzer harness of a fuzz build for a number of seconds, one
# after the other, each from its seeds, its saved reproducers and the corpus
# earlier runs grew (kept in <build>/corpus/<name>/). A finding is written to
# <build>/artifacts/<name>/; copy it to tests/fuzz/regressions/<name>/ with
# the mend so `make test` replays it from then on.
#   scripts/fuzz.sh <build folder> <seconds> [harness names...]
set -u
build=$1
seconds=$2
shift 2
src=$(cd "$(dirname "$0")/.." && pwd)/tests/fuzz
# Harnesses that take paths write their input to files, and the archive
# rewrite flushes every write: on a memory file system that costs nothing
# (the configuration archive harness ran 25 times as many inputs).
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
if [ $# -eq 0 ]; then
  set -- $(cd "$build/bin" && ls fuzz_* | sed 's/^fuzz_//')
fi
failed=""
for name in "$@"; do
  corpus="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  mkdir -p "$corpus" "$artifacts" "$src/regressions/$name"
  echo "== $name: $seconds s"
  # 2 GiB of memory and 10 s per input are findings too: a parser must not
  # let its input decide either.
  "$build/bin/fuzz_$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "$src/seeds/$name" "$src/regressions/$name" 2>"$build/fuzz_$name.log"
  status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|SUMMARY|==[0-9]+==ERROR)' "$build/fuzz_$name.log"
  [ $status -eq 0 ] || failed="$failed $name"
done
if [ -n "$failed" ]; then
  echo "findings in:$failed (see $build/artifacts/)"
  exit 1
fi
