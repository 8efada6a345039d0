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
    clang-14 libclang-rt-14-dev
)

exec bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"
