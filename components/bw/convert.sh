#!/bin/sh
# Renders every page of ./current.pdf in pure black and white: each tone is thresholded at
# 50% through the transfer function, so text and pictures come out as solid black on white
# rather than grey. The pages are saved as greyscale JPEGs (150 dpi, quality 90) named
# page1.jpg, page2.jpg, ... in the folder ./current, created here. current.pdf is removed when
# the script ends, whatever happens; a conversion that fails leaves no image.
#
# Ghostscript's messages go to ./messages.txt, where the program reads why a PDF failed; the
# terminal never sees them. A protected PDF's password comes in ./password.ps, run before the
# PDF, so that it never appears in an argument list. A Ghostscript killed by a signal makes
# the script end with its status (128 + the signal), any other failure with 1.
# ./settings.txt, when present, holds what the command asks instead, one key=value a line:
# resolution, quality, colour (only grey is written) and pages (Ghostscript's page list; a lone N is
# the last page, counted here and left in ./lastpage.txt). Values of any other shape are
# ignored.
set -u

# Ghostscript deletes the copy itself once the last page is out, which spares starting rm
# for every PDF; after a failure the trap removes it.
trap '[ ! -e ./current.pdf ] || rm -f ./current.pdf' EXIT

mkdir -p ./current || exit 1
set --
[ ! -e ./password.ps ] || set -- ./password.ps
resolution=150 quality=90 colour=rgb pages=
if [ -e ./settings.txt ]; then
    while IFS='=' read -r key value; do
        case "$key:$value" in
        resolution:[0-9]*) case "$value" in *[!0-9.]*) ;; *) resolution=$value ;; esac ;;
        quality:[0-9]*) case "$value" in *[!0-9]*) ;; *) quality=$value ;; esac ;;
        colour:rgb | colour:grey) colour=$value ;;
        pages:[0-9N]*) case "$value" in *[!0-9N,-]*) ;; *) pages=$value ;; esac ;;
        esac
    done <./settings.txt
fi
case ",$pages," in
*,N,*)
    last=$(gs -q -dNODISPLAY -dSAFER --permit-file-read=./current.pdf "$@" \
        -c '(./current.pdf) (r) file runpdfbegin pdfpagecount = quit' 2>/dev/null)
    printf '%s\n' "$last" >./lastpage.txt
    pages=$(printf '%s\n' "$pages" | sed "s/^N,/$last,/; s/,N,/,$last,/g; s/,N\$/,$last/; s/^N\$/$last/")
    ;;
esac
[ -z "$pages" ] || set -- "-sPageList=$pages" "$@"
gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=jpeggray -r"$resolution" -dJPEGQ="$quality" \
    --permit-file-control=./current.pdf -sOutputFile=current/page%d.jpg "$@" \
    -c '{0.5 gt {1} {0} ifelse} settransfer' -f ./current.pdf \
    -c '(./current.pdf) deletefile' >./messages.txt 2>&1
status=$?
if [ "$status" -ne 0 ]; then
    rm -f ./current/*.jpg
    [ "$status" -gt 128 ] && exit "$status"
    exit 1
fi
exit 0
