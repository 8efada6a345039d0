#!/bin/sh
# Renders every page of ./current.pdf as a colour JPEG (150 dpi, quality 90) named
# current1.jpg, current2.jpg, ... in the current folder. Whatever happens, current.pdf is gone
# when the script ends: the program takes that as the end of the conversion. A conversion that
# fails leaves no image, not even a partly written one.
set -u

# Ghostscript deletes the copy itself once the last page is out, which spares starting rm
# for every PDF; after a failure the trap removes it.
trap '[ ! -e ./current.pdf ] || rm -f ./current.pdf' EXIT

if ! gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=jpeg -r150 -dJPEGQ=90 \
    --permit-file-control=./current.pdf -sOutputFile=current%d.jpg ./current.pdf \
    -c '(./current.pdf) deletefile'; then
    rm -f ./current*.jpg
    exit 1
fi
exit 0
