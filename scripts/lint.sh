#!/usr/bin/env bash
# Formatting check plus the layering rule: the model and the drawing code
# never see the toolkit.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
files=$(git ls-files -co --exclude-standard -- 'src/*.cpp' 'src/*.hpp' 'tests/*.cpp' 'tests/*.hpp' \
            'bench/*.cpp' 'bench/*.hpp' 'tools/*.cpp' 'tools/*.hpp' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
if [ -n "$files" ]; then
    if ! clang-format --dry-run -Werror $files 2>/tmp/lattrix-lint.$$; then
        head -n 40 /tmp/lattrix-lint.$$
        echo "lint: files above are not formatted; run 'make format'" >&2
        status=1
    fi
    rm -f /tmp/lattrix-lint.$$
fi

if grep -rnE '#include *[<"](gtkmm|gdkmm|gtk/|gdk/|gtkmm\.h|gdk-pixbuf)' src/common src/model src/render \
        tools 2>/dev/null; then
    echo "lint: src/common, src/model, src/render and tools must not include GTK/GDK headers" >&2
    status=1
fi
if grep -rnE '#include *"(view|ctrl)/' src/common src/model src/render tools 2>/dev/null; then
    echo "lint: the drawing code and the exporter must not depend on the editor's view or ctrl" >&2
    status=1
fi
exit $status
