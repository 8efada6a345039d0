#!/usr/bin/env bash
# Builds the Debian package, checks its Depends, extracts it into a temporary root and
# converts a PDF with the extracted command by every method, as installed from the package
# would; its binaries carry no debug information, its components are links to one rendering
# server, and lintian must report no error.
set -euo pipefail
build=${1:?build folder}
pdf=${2:?a PDF}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log") ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(find "$work/package" -maxdepth 1 -name 'pagekiln_*.deb')
[ -f "$deb" ] || { echo "no package made"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for needed in ghostscript libqt6core6 libqt6widgets6 libc6; do
    grep -qw "$needed" <<<"$depends" || { echo "Depends lacks $needed: $depends"; exit 1; }
done

dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/pagekiln usr/bin/pagekiln-convert usr/lib/pagekiln/pagekiln-render \
         usr/lib/pagekiln/pagekiln-gflax usr/lib/pagekiln/pagekiln-acroexch \
         usr/lib/pagekiln/ps/pdf2tiff.sh usr/lib/pagekiln/bw/convert.sh \
         usr/lib/pagekiln/components.ini usr/share/applications/pagekiln.desktop \
         usr/share/doc/pagekiln/copyright usr/share/doc/pagekiln/changelog.Debian.gz; do
    [ -e "$work/root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
for link in pagekiln-gflax pagekiln-acroexch; do
    [ "$(readlink "$work/root/usr/lib/pagekiln/$link")" = pagekiln-render ] ||
        { echo "$link is not a link to the rendering server"; exit 1; }
done
# What apt announces before installing is what the files take, each link counted as a link.
installed=$(dpkg-deb -f "$deb" Installed-Size)
actual=$(du -s --apparent-size --block-size=1024 "$work/root" | cut -f1)
[ $((installed * 100)) -le $((actual * 102)) ] && [ $((installed * 100)) -ge $((actual * 98)) ] ||
    { echo "Installed-Size $installed KiB, but the files take $actual KiB"; exit 1; }
for binary in pagekiln pagekiln-convert pagekiln-render; do
    sections=$(readelf -S "$work/root/usr/lib/pagekiln/$binary")
    if grep -q '\.debug_info' <<<"$sections"; then
        echo "$binary in the package has debug information"
        exit 1
    fi
done

passed=0
for method in gflax acrobat ghostscript bw; do
    mkdir -p "$work/out-$method"
    (cd / && "$work/root/usr/bin/pagekiln-convert" --quiet --method "$method" --pages 2 \
        --output "$work/out-$method/" "$pdf")
    count=$(find "$work/out-$method" -name '*.jpg' | wc -l)
    [ "$count" -ge 2 ] || { echo "$method from the package made $count images"; exit 1; }
    passed=$((passed + 1))
done

if ! lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1; then
    cat "$work/lintian.log"
    echo "lintian reports errors"
    exit 1
fi
grep -v 'running with root privileges' "$work/lintian.log" || true
passed=$((passed + 1))
echo "$passed passed, 0 failed"
