#!/bin/sh
# Writes the seed inputs of every fuzz target into OUT_DIR, made by the program itself:
#   fuzz/make_seeds.sh BUILD_DIR OUT_DIR
# BUILD_DIR is a fuzz build (-DVELDRA_FUZZ=ON); its make_fuzz_seeds is built when missing.
# OUT_DIR gets catalog/, entry_text/ and text/ (see fuzz/make_seeds.cpp), plus the few
# hand-made inputs kept in fuzz/seeds/.
set -eu
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR OUT_DIR" >&2
  exit 2
fi
build=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
cmake --build "$build" --target make_fuzz_seeds -j2 >/dev/null
mkdir -p "$out/catalog" "$out/entry_text" "$out/text"
"$build/fuzz/make_fuzz_seeds" "$out"
for kind in catalog entry_text text; do
  if [ -d "$here/seeds/$kind" ]; then
    cp "$here/seeds/$kind"/* "$out/$kind/" 2>/dev/null || true
  fi
done
for kind in catalog entry_text text; do
  echo "$kind: $(ls "$out/$kind" | wc -l) seeds, $(du -sb "$out/$kind" | cut -f1) bytes"
done
