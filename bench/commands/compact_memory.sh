#!/usr/bin/env bash
# Peak resident memory of `veldra-cli compact` on a catalog holding one 300 MB PDF, against
# the same command on a catalog holding one tiny PDF, in the same run (GNU time's maximum
# resident set size). The difference is what the large PDF costs; the target is under 64 MB.
#
#   bench/commands/compact_memory.sh [path/to/veldra-cli] [runs]
#
# Needs /usr/bin/time (Debian package `time`). Writes about 900 MB under $TMPDIR (else /tmp)
# and removes it again.
set -euo pipefail

cli="${1:-build/cli/veldra-cli}"
runs="${2:-3}"
[ -x "$cli" ] || { echo "no veldra-cli at $cli" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "no /usr/bin/time (apt-get install time)" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/veldra-compact-mem-XXXXXX")"
trap 'rm -rf "$work"' EXIT

# A PDF header and trailer around `size` bytes of filler: compaction copies bytes, it does
# not read them as a PDF.
make_pdf() {
  { printf '%%PDF-1.4\n'; head -c "$2" /dev/zero | tr '\0' 'x'; printf '\n%%%%EOF\n'; } >"$1"
}
make_pdf "$work/tiny.pdf" 1024
make_pdf "$work/large.pdf" $((300 * 1024 * 1024))

for kind in tiny large; do
  "$cli" new "$work/$kind.vdc" >/dev/null
  "$cli" import "$work/$kind.vdc" "$work/$kind.pdf" >/dev/null
done

# Maximum resident set size in KB of one compaction.
peak_kb() {
  rm -f "$work/$1-copy.vdc"
  /usr/bin/time -f '%M' -o "$work/time.txt" "$cli" compact "$work/$1.vdc" "$work/$1-copy.vdc" >/dev/null
  cat "$work/time.txt"
}

printf 'run\ttiny_kb\tlarge_kb\tdifference_mb\n'
for run in $(seq 1 "$runs"); do
  tiny=$(peak_kb tiny)
  large=$(peak_kb large)
  printf '%d\t%d\t%d\t%.1f\n' "$run" "$tiny" "$large" "$(awk "BEGIN { print ($large - $tiny) / 1024 }")"
done
# The copy holds the PDF's bytes unchanged.
mkdir "$work/out"
"$cli" export "$work/large-copy.vdc" "$work/out" --all >/dev/null
cmp "$work/large.pdf" "$work/out/large.pdf" && echo "the copied PDF is byte-identical"
