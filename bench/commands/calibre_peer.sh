#!/usr/bin/env bash
# Peer comparison: adding 2,000 PDFs of 100 KB to a calibre library (`calibredb add -r`)
# against `veldra-cli import` of the same folder into a catalog. Both start empty; both are
# timed on wall clock after a sync, three runs each, median reported.
#
#   bench/commands/calibre_peer.sh [path/to/veldra-cli]
#
# Installs Debian's calibre with apt-get when calibredb is missing (this script only; set-up
# and CI never do). Needs python3 to write the PDFs.
set -euo pipefail

cli="${1:-build-cli/cli/veldra-cli}"
[ -x "$cli" ] || { echo "no veldra-cli at $cli" >&2; exit 2; }
if ! command -v calibredb >/dev/null; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq calibre
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/veldra-calibre-XXXXXX")"
trap 'rm -rf "$work"' EXIT

python3 - "$work/pdfs" <<'PY'
import os, sys
folder = sys.argv[1]
os.makedirs(folder)
for i in range(2000):
    text = f"PDF {i}".encode()
    content = b"BT /F1 18 Tf 72 720 Td (" + text + b") Tj ET\n"
    pad = bytes((97 + (j * 7 + i) % 26) for j in range(100 * 1024))
    objs = [b"<< /Type /Catalog /Pages 2 0 R >>",
            b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
            b"/Resources << /Font << /F1 5 0 R >> >> >>",
            b"<< /Length %d >>\nstream\n" % len(content) + content + b"endstream",
            b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
            b"<< /Length %d >>\nstream\n" % len(pad) + pad + b"\nendstream"]
    out = b"%PDF-1.4\n"
    offsets = []
    for n, o in enumerate(objs):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % (n + 1) + o + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    for o in offsets:
        out += b"%010d 00000 n \n" % o
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, xref)
    with open(os.path.join(folder, f"doc{i:04d}.pdf"), "wb") as f:
        f.write(out)
PY

seconds() { date +%s.%N; }
median() { sort -g | sed -n 2p; }

veldra_times=()
calibre_times=()
for run in 1 2 3; do
  rm -f "$work/cat.vdc"
  "$cli" new "$work/cat.vdc"
  sync
  start=$(seconds)
  "$cli" import "$work/cat.vdc" "$work/pdfs" >/dev/null
  veldra_times+=("$(echo "$(seconds) - $start" | bc)")

  rm -rf "$work/library"
  mkdir "$work/library"
  sync
  start=$(seconds)
  calibredb add -r --library-path "$work/library" "$work/pdfs" >/dev/null 2>&1
  calibre_times+=("$(echo "$(seconds) - $start" | bc)")
done

v=$(printf '%s\n' "${veldra_times[@]}" | median)
c=$(printf '%s\n' "${calibre_times[@]}" | median)
echo "veldra-cli import:   runs ${veldra_times[*]} s, median $v s"
echo "calibredb add -r:    runs ${calibre_times[*]} s, median $c s"
echo "ratio calibredb / veldra-cli = $(echo "scale=2; $c / $v" | bc)"
