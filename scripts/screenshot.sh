#!/usr/bin/env bash
# Takes docs/screenshots/browser.png, the browser on a sample catalog with Japanese entries;
# docs/screenshots/entry_window.png, the property window of one of them with both of its
# pages; docs/screenshots/import_progress.png, a batch import part of the way through; and
# docs/screenshots/batch_change.png, the batch category change dialog;
# docs/screenshots/search_window.png, the search window on a catalog of Japanese PDFs it has
# just indexed, and docs/screenshots/search_hit.png, the first hit shown in the viewer.
# Each is drawn by the application under a virtual X server (Xvfb :99) and saved by the
# window itself. Usage: scripts/screenshot.sh [BUILD_DIR]   (default: build)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
cmake --build "$build" --target veldra_screenshot veldra_progress_screenshot veldra_dialog_screenshot \
  veldra_search_screenshot >/dev/null

work="$(mktemp -d)"
Xvfb :99 -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
sleep 1

mkdir -p "$here/docs/screenshots"
DISPLAY=:99 QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work" XDG_CACHE_HOME="$work" \
  "$build/shell/veldra_screenshot" "$here/docs/screenshots/browser.png" "$work/蔵書.vdc" \
  "$here/docs/screenshots/entry_window.png"
DISPLAY=:99 QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work" XDG_CACHE_HOME="$work" \
  "$build/shell/veldra_progress_screenshot" "$here/docs/screenshots/import_progress.png"
DISPLAY=:99 QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work" XDG_CACHE_HOME="$work" \
  "$build/shell/veldra_dialog_screenshot" "$here/docs/screenshots/batch_change.png" "$work/蔵書.vdc"
mkdir "$work/search"
DISPLAY=:99 QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work" XDG_CACHE_HOME="$work" \
  "$build/tests/e2e/veldra_search_screenshot" "$here/docs/screenshots/search_window.png" \
  "$here/docs/screenshots/search_hit.png" "$work/search"
