#!/bin/sh
# Runs one fuzz target for a while with its seeds and dictionary, then says what it did:
#   fuzz/run.sh BUILD_DIR TARGET SECONDS
# BUILD_DIR is a fuzz build (-DVELDRA_FUZZ=ON); the target and the seeds are made when
# missing. Everything the run keeps stays in BUILD_DIR, out of git:
#   fuzz-corpus/TARGET/     the corpus, grown run after run
#   fuzz-artifacts/TARGET/  crash-*, leak-*, timeout-*, oom-* inputs
#   fuzz-logs/TARGET.log    libFuzzer's output
# The exit status is libFuzzer's: 0 when nothing was found.
set -u
if [ $# -ne 3 ]; then
  echo "usage: $0 BUILD_DIR TARGET SECONDS" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
target=$2
seconds=$3
here=$(cd "$(dirname "$0")" && pwd)

# The seeds and dictionary of each target; a target that reads catalogs takes the catalogs'.
case $target in
  entry_text_fuzz) kind=entry_text; dict=$here/entry_text.dict ;;
  text_conversion_fuzz) kind=text; dict= ;;
  *) kind=catalog; dict=$here/catalog.dict ;;
esac

cmake --build "$build" --target "$target" -j2 >/dev/null || exit 1
[ -d "$build/fuzz-seeds/$kind" ] || "$here/make_seeds.sh" "$build" "$build/fuzz-seeds" >/dev/null || exit 1
corpus=$build/fuzz-corpus/$target
artifacts=$build/fuzz-artifacts/$target
log=$build/fuzz-logs/$target.log
mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"

start=$(date +%s)
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -detect_leaks=1 -print_final_stats=1 -artifact_prefix="$artifacts/" \
  ${dict:+-dict="$dict"} "$corpus" "$build/fuzz-seeds/$kind" >"$log" 2>&1
status=$?
end=$(date +%s)

# The last status line of libFuzzer ("#N ... cov: C ft: F corp: ...") and its final stats.
last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
cov=$(echo "$last" | grep -o ' cov: [0-9]*' | head -n 1 | grep -o '[0-9]*')
ft=$(echo "$last" | grep -o ' ft: [0-9]*' | head -n 1 | grep -o '[0-9]*')
execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
[ -n "$execs" ] || execs=$(echo "$last" | sed -n 's/^#\([0-9]*\).*/\1/p')
found=$(ls "$artifacts" | grep -cE '^(crash|leak|timeout|oom|slow-unit)-')
echo "target:     $target"
echo "wall time:  $((end - start)) s (asked: $seconds s)"
echo "executions: ${execs:-?}"
echo "coverage:   cov ${cov:-?} ft ${ft:-?}"
echo "corpus:     $(ls "$corpus" | wc -l) files, $(du -sb "$corpus" | cut -f1) bytes ($corpus)"
echo "found:      $found input(s) in $artifacts"
ls "$artifacts" | grep -E '^(crash|leak|timeout|oom|slow-unit)-' | sed 's/^/  /'
if [ "$status" -ne 0 ]; then
  echo "libFuzzer stopped with status $status; see $log"
  grep -m 3 -E 'ERROR|fuzz property broken|runtime error|SUMMARY' "$log" | sed 's/^/  /'
fi
exit "$status"
