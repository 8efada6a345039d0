#!/bin/sh
# Renders every page of ./current.pdf as a colour JPEG (150 dpi, quality 90) named
# current1.jpg, current2.jpg, ... in the current folder. Whatever happens, current.pdf is gone
# when the script ends: the program takes that as the end of the conversion. A conversion that
# fails leaves no image, not even a partly written one.
#
# Ghostscript's messages go to ./messages.txt, where the program reads why a PDF failed; the
# terminal never sees them. A protected PDF's password comes in ./password.ps, run before the
# PDF, so that it never appears in an argument list. A Ghostscript killed by a signal makes
# the script end with its status (128 + the signal), any other failure with 1.
# ./settings.txt, when present, holds what the command asks instead, one key=value a line:
# resolution, quality, colour (rgb or grey) and pages (Ghostscript's page list; a lone N is
# the last page, counted here and left in ./lastpage.txt). Values of any other shape are
# ignored.
set -u

# Ghostscript deletes the copy itself once the last page is out, which spares starting rm
# for every PDF; after a failure the trap removes it.
trap '[ ! -e ./current.pdf ] || rm -f ./current.pdf' EXIT

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
device=jpeg
[ "$colour" = rgb ] || device=jpeggray
gs -dSAFER -dBATCH -dNOPAUSE -q -sDEVICE=$device -r"$resolution" -dJPEGQ="$quality" \
    --permit-file-control=./current.pdf -sOutputFile=current%d.jpg "$@" -f ./current.pdf \
    -c '(./current.pdf) deletefile' >./messages.txt 2>&1
status=$?
if [ "$status" -ne 0 ]; then
    rm -f ./current*.jpg
    [ "$status" -gt 128 ] && exit "$status"
    exit 1
fi
exit 0
