#!/usr/bin/env bash
# Installs the Debian packages Pagekiln needs to build, run and test, but only those
# that are missing. As root it installs them; otherwise it prints the command to run.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools
    libmupdf-dev libfreetype-dev libharfbuzz-dev libjbig2dec0-dev libopenjp2-7-dev
    libmujs-dev libgumbo-dev zlib1g-dev libpng-dev libbrotli-dev
    libjpeg62-turbo-dev liblcms2-dev
    libgs-common
    ghostscript time
    fonts-liberation2
    xvfb xauth xdotool imagemagick x11-utils
    poppler-utils gnuplot-doc
    qpdf lintian
    clang-format
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
