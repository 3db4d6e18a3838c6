#!/usr/bin/env bash
# Checks that no source file includes a header of a layer above its own.
#
#   platform <- storage <- commands <- search <- browser <- shell
#   cli -> search, commands, storage, platform
#   resources: used by browser and shell, includes only itself
#
# storage/, commands/, search/ and platform/ (except platform/viewer/) include no Qt header
# either.
# tests/, bench/ and fuzz/ may include anything. Usage: check_layers.sh [SOURCE_ROOT]
# Prints one line per offending include and exits 1 when there is any.
set -euo pipefail
root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"

declare -A allowed=(
  [platform]="platform"
  [storage]="platform storage"
  [commands]="platform storage commands"
  [search]="platform storage commands search"
  [resources]="resources"
  [browser]="platform storage commands search resources browser"
  [shell]="platform storage commands search resources browser shell"
  [cli]="platform storage commands search cli"
)
# Folders whose headers a layer could reach by name; any other first component (a
# third-party header written with quotes) is not ours to judge.
project_dirs=" platform storage commands search resources browser shell cli tests bench fuzz "
qt_free=" platform storage commands search "

faults=0
report() {
  echo "$1"
  faults=$((faults + 1))
}

for layer in "${!allowed[@]}"; do
  [ -d "$root/$layer" ] || continue
  while IFS= read -r -d '' file; do
    rel="${file#"$root"/}"
    line_no=0
    while IFS= read -r line; do
      line_no=$((line_no + 1))
      [[ "$line" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+)[\"\>] ]] || continue
      quote="${BASH_REMATCH[1]}"
      target="${BASH_REMATCH[2]}"
      if [ "$quote" = "<" ]; then
        if [[ "$qt_free" == *" $layer "* && "$rel" != platform/viewer/* && "$target" =~ ^Qt?[A-Z] ]]; then
          report "$rel:$line_no: includes <$target>, but $layer/ is free of Qt"
        fi
        continue
      fi
      if [[ "$target" == ../* || "$target" == */../* ]]; then
        report "$rel:$line_no: includes \"$target\"; name headers from the top of the tree"
        continue
      fi
      [[ "$target" == */* ]] || continue  # a header beside the file itself
      top="${target%%/*}"
      [[ "$project_dirs" == *" $top "* ]] || continue
      if [[ " ${allowed[$layer]} " != *" $top "* ]]; then
        report "$rel:$line_no: includes \"$target\", but $layer/ may include only: ${allowed[$layer]}"
      fi
    done < "$file"
  done < <(find "$root/$layer" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' \) -print0)
done

if [ "$faults" -gt 0 ]; then
  echo "$faults include(s) against the layering"
  exit 1
fi
echo "layering: no include runs up"
