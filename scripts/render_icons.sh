#!/usr/bin/env bash
# Renders the icon sources resources/icons/*.svg into the PNG files that the
# resource bundle carries. Run it after changing an icon and commit both.
# The PNGs are committed so that building needs no SVG renderer; this script
# needs the gdk-pixbuf SVG loader (librsvg2-common).
set -euo pipefail
cd "$(dirname "$0")/.."

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cat >"$tmp/render.c" <<'C'
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <stdio.h>
#include <stdlib.h>
int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: render SVG PNG SIZE\n");
        return 2;
    }
    int size = atoi(argv[3]);
    GError* error = NULL;
    GdkPixbuf* pb = gdk_pixbuf_new_from_file_at_size(argv[1], size, size, &error);
    if (pb == NULL || !gdk_pixbuf_save(pb, argv[2], "png", &error, NULL)) {
        fprintf(stderr, "%s: %s\n", argv[1], error ? error->message : "failed");
        return 1;
    }
    g_object_unref(pb);
    return 0;
}
C
cc -o "$tmp/render" "$tmp/render.c" $(pkg-config --cflags --libs gdk-pixbuf-2.0)

for svg in resources/icons/*.svg; do
    name=$(basename "$svg" .svg)
    size=32
    case "$name" in
        cls48) size=48 ;;
    esac
    "$tmp/render" "$svg" "resources/icons/$name.png" "$size"
done
echo "rendered $(ls resources/icons/*.svg | wc -l) icons"
