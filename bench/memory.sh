#!/usr/bin/env bash
# Peak resident memory of the imaging server loading and saving one Letter page at 1152 dpi
# (9792 x 12672 pixels): the gnuplot manual's first page and a Letter page with colour. The
# peak (VmHWM) is read from /proc while the server still runs, after it answered the save.
# Then a generated Letter page holding one 12,000 x 12,000 pixel Flate-compressed image, at
# 1152 dpi: the server's own peak, the peak of the server with the Ghostscript it may start for
# the page (from wait4), and Ghostscript's peak rendering the same page directly. Last, Letter
# pages of a few hundred bytes holding one grey inline image of 30,000 or 40,000 pixels a side
# without data ("inline bombs"), at 144 and 1152 dpi, with the default budget and with
# PAGEKILN_MEMORY_MB=64: the largest peak of the server with its Ghostscript, and its largest
# ratio to Ghostscript's peak rendering the same page directly.
set -euo pipefail
build=${PAGEKILN_BUILD:?}
server="$build/program/pagekiln-gflax"
corpus=$(cd "$(dirname "$0")/../../shared/corpus" 2>/dev/null && pwd || true)
work=$(mktemp -d)
BENCH_DIR=$(cd "$(dirname "$0")" && pwd)
export BENCH_DIR
trap 'rm -rf "$work"' EXIT

peak=0
for pdf in /usr/share/doc/gnuplot/gnuplot.pdf "$corpus/pdflatex-forms.pdf"; do
    [ -f "$pdf" ] || continue
    coproc SERVER { exec "$server"; }
    pid=$SERVER_PID
    start=$(date +%s.%N)
    printf '%s\n' \
        '{"id":1,"op":"create","class":"GflAx.GflAx"}' \
        '{"id":2,"op":"set","object":1,"name":"EpsDpi","value":1152}' \
        '{"id":3,"op":"set","object":1,"name":"Page","value":1}' \
        "{\"id\":4,\"op\":\"call\",\"object\":1,\"name\":\"LoadBitmap\",\"args\":[\"$pdf\"]}" \
        "{\"id\":5,\"op\":\"call\",\"object\":1,\"name\":\"saveBitmap\",\"args\":[\"$work/page.jpg\"]}" \
        >&"${SERVER[1]}"
    for _ in 1 2 3 4 5; do
        read -r answer <&"${SERVER[0]}"
        case $answer in *'"ok":false'*) echo "$answer" >&2; exit 1 ;; esac
    done
    end=$(date +%s.%N)
    kb=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
    exec {SERVER[1]}>&-
    wait "$pid" || true
    size=$(identify -ping -format '%wx%h %[colorspace]' "$work/page.jpg" 2>/dev/null || echo '?')
    printf '%s: %s, %.2f s, peak %d MB\n' "$(basename "$pdf")" "$size" \
        "$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')" $((kb / 1024))
    [ "$kb" -gt "$peak" ] && peak=$kb
done

python3 - "$server" "$work" <<'PY' >"$work/image"
import os, subprocess, sys, time, zlib, json
sys.path.insert(0, os.environ["BENCH_DIR"])
from tinypdf import pdf_from_objects
server, work = sys.argv[1], sys.argv[2]
side, pdf = 12000, os.path.join(work, "image.pdf")
# Rows of a smooth gradient: small once compressed, 432 MB once decoded.
row = bytearray(side * 3)
row[0::3] = bytes(x * 255 // side for x in range(side))
row[2::3] = b"\x80" * side
z, parts = zlib.compressobj(1), []
for y in range(side):
    row[1::3] = bytes([y * 255 // side]) * side
    parts.append(z.compress(bytes(row)))
parts.append(z.flush())
image = b"".join(parts)
content = b"q 612 0 0 792 0 0 cm /Im Do Q"
objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Im 5 0 R >> >> /Contents 4 0 R >>",
           b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content),
           b"<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode /Length %d >>\nstream\n" % (side, side, len(image)) + image + b"\nendstream"]
out = pdf_from_objects(objects)
open(pdf, "wb").write(out)

requests = [{"op": "create", "class": "GflAx.GflAx"},
            {"op": "set", "object": 1, "name": "EpsDpi", "value": 1152},
            {"op": "call", "object": 1, "name": "LoadBitmap", "args": [pdf]},
            {"op": "call", "object": 1, "name": "saveBitmap", "args": [os.path.join(work, "image.jpg")]}]
start = time.time()
proc = subprocess.Popen([server], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
for i, r in enumerate(requests, 1):
    proc.stdin.write((json.dumps(dict(r, id=i)) + "\n").encode()); proc.stdin.flush()
    answer = proc.stdout.readline().decode()
    if '"ok":false' in answer:
        sys.exit("server: " + answer)
ours = time.time() - start
hwm = next(int(l.split()[1]) for l in open("/proc/%d/status" % proc.pid) if l.startswith("VmHWM:"))
proc.stdin.close()
tree = os.wait4(proc.pid, 0)[2].ru_maxrss
start = time.time()
gs = subprocess.Popen(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=jpeg", "-dJPEGQ=90",
                       "-r1152", "-sOutputFile=" + os.path.join(work, "gs.jpg"), pdf])
gs_rss = os.wait4(gs.pid, 0)[2].ru_maxrss
print("image page: pdf %d KB; ours %.2f s, server peak %d MB, with its Ghostscript %d MB; gs %.2f s, peak %d MB"
      % (len(out) // 1024, ours, hwm // 1024, tree // 1024, time.time() - start, gs_rss // 1024))
print(hwm // 1024, tree // 1024, gs_rss // 1024)
PY
head -n1 "$work/image"
read -r image_own image_tree image_gs < <(tail -n1 "$work/image")

python3 - "$server" "$work" <<'PY' >"$work/inline"
import json, os, subprocess, sys
sys.path.insert(0, os.environ["BENCH_DIR"])
from tinypdf import pdf_from_objects
server, work = sys.argv[1], sys.argv[2]

def bomb(side):
    # Whatever would follow the image in its stream is read as its missing data.
    content = b"q 612 0 0 792 0 0 cm BI /W %d /H %d /CS /G /BPC 8 ID \nEI Q" % (side, side)
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
               b"<< /Length %d >>\nstream\n%s\nendstream" % (len(content), content)]
    out = pdf_from_objects(objects)
    path = os.path.join(work, "inline-%d.pdf" % side)
    open(path, "wb").write(out)
    return path, len(out)

def ours(pdf, dpi, budget):
    env = dict(os.environ)
    if budget:
        env["PAGEKILN_MEMORY_MB"] = str(budget)
    requests = [{"op": "create", "class": "GflAx.GflAx"},
                {"op": "set", "object": 1, "name": "EpsDpi", "value": dpi},
                {"op": "call", "object": 1, "name": "LoadBitmap", "args": [pdf]},
                {"op": "call", "object": 1, "name": "saveBitmap", "args": [os.path.join(work, "inline.jpg")]}]
    proc = subprocess.Popen([server], stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env)
    for i, r in enumerate(requests, 1):
        proc.stdin.write((json.dumps(dict(r, id=i)) + "\n").encode()); proc.stdin.flush()
        answer = proc.stdout.readline().decode()
        if '"ok":false' in answer:
            sys.exit("server: " + answer)
    proc.stdin.close()
    return os.wait4(proc.pid, 0)[2].ru_maxrss

def ghostscript(pdf, dpi):
    gs = subprocess.Popen(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=jpeggray",
                           "-dJPEGQ=90", "-r%d" % dpi, "-sOutputFile=" + os.path.join(work, "gs.jpg"), pdf])
    return os.wait4(gs.pid, 0)[2].ru_maxrss

worst_tree, worst_ratio = 0, 0.0
for side in (30000, 40000):
    pdf, size = bomb(side)
    for dpi in (144, 1152):
        gs = ghostscript(pdf, dpi)
        for budget in (0, 64):
            tree = ours(pdf, dpi, budget)
            worst_tree, worst_ratio = max(worst_tree, tree), max(worst_ratio, tree / gs)
            print("inline bomb %d px (%d bytes) at %d dpi, budget %s: ours with its Ghostscript %d MB, gs %d MB"
                  % (side, size, dpi, "%d MB" % budget if budget else "default", tree // 1024, gs // 1024))
print(worst_tree // 1024, "%.2f" % worst_ratio)
PY
head -n -1 "$work/inline"
read -r inline_tree inline_ratio < <(tail -n1 "$work/inline")
printf 'peak_rss_mb %d peak_rss_mb_image %d tree_rss_mb_image %d gs_rss_mb_image %d image_vs_gs %.2f inline_rss_mb %d inline_vs_gs %s\n' \
    $((peak / 1024)) "$image_own" "$image_tree" "$image_gs" \
    "$(awk -v a="$image_tree" -v b="$image_gs" 'BEGIN {print a / b}')" \
    "$inline_tree" "$inline_ratio"
