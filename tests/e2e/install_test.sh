#!/usr/bin/env bash
# Installs the built program into a scratch prefix and checks that a desktop
# finds it there: binary, launcher named after the application id, icons.
set -euo pipefail
LATTRIX=${1:?usage: install_test.sh path/to/lattrix}
build_dir=$(dirname "$LATTRIX")

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

fail() {
    echo "install_test: $*" >&2
    exit 1
}

cmake --install "$build_dir" --prefix "$prefix" >"$prefix/install.log" 2>&1 ||
    { cat "$prefix/install.log" >&2; fail "cmake --install failed"; }

[ -x "$prefix/bin/lattrix" ] || fail "no executable bin/lattrix"
cmp -s "$LATTRIX" "$prefix/bin/lattrix" || fail "bin/lattrix is not the built program"

desktop="$prefix/share/applications/org.gtk.lattrix.desktop"
[ -f "$desktop" ] || fail "no launcher share/applications/org.gtk.lattrix.desktop"
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(head -n 1 "$desktop")" = "[Desktop Entry]" ] || fail "launcher does not start with [Desktop Entry]"
[ "$(key Type)" = Application ] || fail "launcher Type is not Application"
[ "$(key Name)" = Lattrix ] || fail "launcher Name is '$(key Name)'"
[ "$(key Exec)" = lattrix ] || fail "launcher Exec is '$(key Exec)'"
cats=";$(key Categories)"
[[ $cats == *";Development;"* && $cats == *";Graphics;"* ]] ||
    fail "launcher Categories '$(key Categories)' lack Development and Graphics"
icon=$(key Icon)
[ "$icon" = org.gtk.lattrix ] || fail "launcher Icon is '$icon'"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the launcher"
fi

# The launcher's icon name must resolve in the hicolor theme at the sizes
# the files really have.
for size in 48 32; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [ -f "$png" ] || fail "no ${size}x${size} icon"
    got=$(identify -format '%wx%h' "$png")
    [ "$got" = "${size}x${size}" ] || fail "${size}x${size} icon is $got"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon"

[ -n "$(ls "$prefix/share/doc/lattrix/examples/"*.xml 2>/dev/null)" ] || fail "no examples installed"
for lang in en ja; do
    [ -f "$prefix/share/doc/lattrix/manual/doc-$lang/index.html" ] || fail "no $lang manual installed"
done
echo "install_test: ok"
