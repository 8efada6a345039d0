#!/bin/sh
# Renders every page of ./current.pdf in pure black and white: each tone is thresholded at
# 50% through the transfer function, so text and pictures come out as solid black on white
# rather than grey. The pages are saved as greyscale JPEGs (150 dpi, quality 90) named
# page1.jpg, page2.jpg, ... in the folder ./current, created here. current.pdf is removed when
# the script ends, whatever happens; a conversion that fails leaves no image.
set -u

# Ghostscript deletes the copy itself once the last page is out, which spares starting rm
# for every PDF; after a failure the trap removes it.
trap '[ ! -e ./current.pdf ] || rm -f ./current.pdf' EXIT

mkdir -p ./current || exit 1
if ! gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=jpeggray -r150 -dJPEGQ=90 \
    --permit-file-control=./current.pdf -sOutputFile=current/page%d.jpg \
    -c '{0.5 gt {1} {0} ifelse} settransfer' -f ./current.pdf \
    -c '(./current.pdf) deletefile'; then
    rm -f ./current/*.jpg
    exit 1
fi
exit 0
