#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds VELDRA, then either starts the
# application (`run [CATALOG]`) or runs every test headless (`test`).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
caller_dir="$PWD"
cd "$here"

packages=(
  g++ cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-pdf-dev libgl-dev libxkbcommon-dev
  libicu-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-ipaexfont-gothic qt6-translations-l10n xvfb xauth xdotool jq python3
  desktop-file-utils shared-mime-info libxml2-utils man-db dpkg-dev
  libpoppler-cpp-dev poppler-data zlib1g-dev fonts-dejavu-core
  libsqlite3-dev libssl-dev
  imagemagick  # the end-to-end test looks at the found word's highlight on the screen
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELDRA_WERROR=ON >/dev/null
  cmake --build build -j"$(nproc)"
}

mode="${1:-}"
case "$mode" in
  run)
    shift
    # A catalog path is taken relative to where the command was typed.
    catalog=()
    if [ $# -gt 0 ]; then
      case "$1" in
        /*) catalog=("$1") ;;
        *) catalog=("$caller_dir/$1") ;;
      esac
    fi
    install_missing
    build
    exec ./build/shell/veldra "${catalog[@]}"
    ;;
  test)
    install_missing
    build
    export QT_QPA_PLATFORM=offscreen
    cd build
    ctest --output-on-failure -j"$(nproc)"
    ;;
  *)
    echo "usage: scripts/setup.sh run [CATALOG] | scripts/setup.sh test" >&2
    exit 2
    ;;
esac
