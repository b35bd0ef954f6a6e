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
[ "$(key Exec)" = "lattrix %f" ] || fail "launcher Exec is '$(key Exec)'"
[ "$(key MimeType)" = "application/x-lattrix+xml;" ] || fail "launcher MimeType is '$(key MimeType)'"
cats=";$(key Categories)"
[[ $cats == *";Development;"* && $cats == *";Graphics;"* ]] ||
    fail "launcher Categories '$(key Categories)' lack Development and Graphics"
icon=$(key Icon)
[ "$icon" = org.gtk.lattrix ] || fail "launcher Icon is '$icon'"
# Setup installs both validators; a machine without them fails here rather
# than passing unchecked.
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the launcher"
metainfo="$prefix/share/metainfo/org.gtk.lattrix.metainfo.xml"
[ -f "$metainfo" ] || fail "no share/metainfo/org.gtk.lattrix.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$prefix/appstream.log" 2>&1 ||
    { cat "$prefix/appstream.log" >&2; fail "appstreamcli rejects the metainfo"; }

# The document type: a document is known by its root element, any other
# XML file stays generic XML.
mime="$prefix/share/mime/packages/org.gtk.lattrix.xml"
[ -f "$mime" ] || fail "no share/mime/packages/org.gtk.lattrix.xml"
update-mime-database "$prefix/share/mime" >/dev/null 2>&1 || fail "update-mime-database rejects the type"
grep -q '<root-XML namespaceURI="" localName="workspace"/>' "$mime" || fail "no root-XML match on workspace"
! grep -q '<glob' "$mime" || fail "the type claims a file name pattern"
# GLib trusts a unique name match (*.xml is application/xml) and sniffs only
# names that match nothing, so the sniffing is tried on such names.
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
cp "$source_dir/examples/shop.xml" "$prefix/shop"
printf '<?xml version="1.0"?>\n<project><workspace/></project>\n' >"$prefix/other"
content_type() {
    XDG_DATA_DIRS="$prefix/share:/usr/share" XDG_DATA_HOME="$prefix/nowhere" \
        gio info -a standard::content-type "$1" | sed -n 's/.*standard::content-type: //p'
}
[ "$(content_type "$prefix/shop")" = application/x-lattrix+xml ] ||
    fail "a document is seen as '$(content_type "$prefix/shop")'"
[ "$(content_type "$prefix/other")" != application/x-lattrix+xml ] ||
    fail "any XML file is taken for a document"

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
