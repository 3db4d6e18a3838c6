#!/usr/bin/env bash
# install_test.sh BUILD_DIR PROBE PDFTEXT_PROBE: installs BUILD_DIR into a temporary prefix,
# moves the prefix elsewhere (the installed tree may not depend on where it was put), then
# checks the desktop entry, the MIME package, the icon, veldra-cli and its manual page, that
# the application's component lookup finds the viewer from the installed folder, and that
# the application and veldra-cli find the installed text worker and it extracts a PDF.
set -euo pipefail
build="$1"
probe="$2"
pdftext_probe="$3"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/first" >/dev/null
mv "$tmp/first" "$tmp/prefix"
p="$tmp/prefix"

# Menu entry and file type.
desktop-file-validate "$p/share/applications/veldra.desktop" || fail "desktop entry"
grep -qx 'Exec=veldra %f' "$p/share/applications/veldra.desktop" || fail "Exec line"
xmllint --noout "$p/share/mime/packages/veldra.xml" || fail "MIME package is not XML"
update-mime-database "$p/share/mime" || fail "update-mime-database"
grep -q '^application/x-veldra-catalog$' "$p/share/mime/types" || fail "MIME type not registered"
grep -q ':\*\.vdc$' "$p/share/mime/globs2" || fail "*.vdc glob not registered"
test -s "$p/share/mime/magic" || fail "no magic registered"
grep -q 'application/x-veldra-catalog' "$p/share/mime/magic" || fail "magic is not ours"

# The icon at every size, as PNG of that size.
for size in 16 32 48 64 128 256; do
  png="$p/share/icons/hicolor/${size}x${size}/apps/veldra.png"
  test -s "$png" || fail "icon $size missing"
  width=$((16#$(od -An -tx1 -j16 -N4 "$png" | tr -d ' \n')))
  [ "$width" -eq "$size" ] || fail "icon $size is $width pixels wide"
done

# veldra-cli from the prefix, with its manual page and completion.
"$p/bin/veldra-cli" --help | grep -q '^  category-delete ' || fail "veldra-cli --help"
page="$(MANWIDTH=80 man -l "$p/share/man/man1/veldra-cli.1.gz" 2>&1)" || fail "man -l"
for word in NAME SYNOPSIS recategorize --wait 'EXIT STATUS'; do
  grep -q -- "$word" <<<"$page" || fail "manual page lacks '$word'"
done
bash -c "source '$p/share/bash-completion/completions/veldra-cli'
         COMP_WORDS=(veldra-cli exp); COMP_CWORD=1; _veldra_cli
         [ \"\${COMPREPLY[*]}\" = export ] || exit 1
         COMP_WORDS=(veldra-cli export x.vdc --a); COMP_CWORD=3; _veldra_cli
         [ \"\${COMPREPLY[*]}\" = --all ]" || fail "bash completion"

# The application: bin/veldra leads to the folder that holds components/ and help/.
test -L "$p/bin/veldra" || fail "bin/veldra is not a link"
[ "$(readlink -f "$p/bin/veldra")" = "$(readlink -f "$p/lib/veldra/veldra")" ] || fail "bin/veldra"
test -s "$p/lib/veldra/help/index.html" || fail "help page"
cp "$probe" "$p/lib/veldra/veldra_component_probe"
ln -s ../lib/veldra/veldra_component_probe "$p/bin/veldra_component_probe"
QT_QPA_PLATFORM=offscreen "$p/bin/veldra_component_probe" || fail "viewer component not found"

# The text worker, found from where the application lives (beside it) and from where
# veldra-cli lives (../lib/veldra), never from the build tree.
test -x "$p/lib/veldra/veldra-pdftext" || fail "lib/veldra/veldra-pdftext missing"
for where in lib/veldra bin; do
  cp "$pdftext_probe" "$p/$where/veldra_pdftext_probe"
  found="$(env -u VELDRA_PDFTEXT "$p/$where/veldra_pdftext_probe" "$tmp/probe.pdf")" ||
    fail "text worker from $where: $found"
  [ "$(readlink -f "$(head -n1 <<<"$found")")" = "$(readlink -f "$p/lib/veldra/veldra-pdftext")" ] ||
    fail "text worker from $where is $(head -n1 <<<"$found")"
done
echo "install tree ok"
