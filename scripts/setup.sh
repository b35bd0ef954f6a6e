#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Only what dpkg does not already report as installed is passed to apt-get,
# so a second run on a prepared machine touches nothing.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libgtkmm-3.0-dev libxml2-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format libclang-rt-14-dev
    fonts-dejavu-core fonts-vlgothic
    desktop-file-utils appstream shared-mime-info libglib2.0-bin
    xvfb xauth xdotool x11-utils imagemagick
    graphviz
    zlib1g-dev librsvg2-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
# A fresh machine may have empty package lists; update once, then install.
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
