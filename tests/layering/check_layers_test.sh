#!/usr/bin/env bash
# The layering check must find every include planted against the layering in planted/ (the
# lines expected.txt lists) and nothing else, and fail because of them.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
check="$1"

output="$(bash "$check" "$here/planted")"
status=$?
if [ "$status" -ne 1 ]; then
  echo "the check exited with $status on the planted tree, not 1"
  exit 1
fi
found="$(printf '%s\n' "$output" | grep -o '^[^ ]*:[0-9]*:' | sed 's/:$//' | sort)"
if ! diff <(sort "$here/planted/expected.txt") <(printf '%s\n' "$found"); then
  echo "the check reported other lines than expected.txt (< missed, > reported wrongly)"
  exit 1
fi
echo "every planted include was reported"
