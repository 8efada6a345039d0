#!/usr/bin/env bash
# scripts/setup.sh [program|package|tests]: installs the Debian packages Pagekiln needs, but
# only those that are missing. As root it installs them; otherwise it prints the command to run.
#   program  building and running the window and the command (make run, make install)
#   package  that, and what making the Debian package needs (make deb)
#   tests    all of it, and what the tests, benchmarks and checks need (make test; the default)
set -euo pipefail

program=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    libmupdf-dev libfreetype-dev libharfbuzz-dev libjbig2dec0-dev libopenjp2-7-dev
    libmujs-dev libgumbo-dev zlib1g-dev libpng-dev libbrotli-dev
    libjpeg62-turbo-dev liblcms2-dev libxxhash-dev
    libgs-common
    ghostscript help2man
    fonts-liberation2
)
# CPack reads the binaries' library needs with `file` and dpkg-shlibdeps (dpkg-dev).
package=(file dpkg-dev)
tests=(
    time python3
    xvfb xauth xdotool imagemagick x11-utils
    poppler-utils gnuplot-doc
    qpdf lintian
    clang-format
    clang-14 libclang-rt-14-dev
)

case "${1:-tests}" in
program) wanted=("${program[@]}") ;;
package) wanted=("${program[@]}" "${package[@]}") ;;
tests) wanted=("${program[@]}" "${package[@]}" "${tests[@]}") ;;
*)
    echo "usage: $0 [program|package|tests]" >&2
    exit 2
    ;;
esac

exec bash "$(dirname "$0")/install-missing.sh" "${wanted[@]}"
