#!/bin/bash
# Times a whole build against the plain serial tool chain it replaces.
#   (a) kelvara build of 24 photos of 4000 x 3000, PAL SVCD high resolution,
#       full rebuild (menus, stills, vcd.xml and the disc image included)
#   (b) a serial shell loop: ImageMagick resize per photo, then the same
#       jpeg2yuv | mpeg2enc and mplex commands
#   (c) the encoder chain alone on the stills (b) rendered, serially
# Usage: run.sh KELVARA_EXECUTABLE [JOBS]
set -euo pipefail

kelvara=$(readlink -f "$1")
jobs=${2:-}
cores=$(nproc)
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvara-bench-build.XXXXXX")
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

echo "Generating 24 photos of 4000 x 3000 in $work/album ..."
mkdir -p "$work/album/Harbour" "$work/album/Hills" "$work/out" "$work/registry" "$work/shell"
ffmpeg -v error -f lavfi -i "testsrc2=s=4000x3000:r=1" -frames:v 12 -q:v 3 "$work/album/Harbour/photo_%02d.jpg"
ffmpeg -v error -f lavfi -i "testsrc=s=4000x3000:r=1" -frames:v 12 -q:v 3 "$work/album/Hills/photo_%02d.jpg"

args=(build --source "$work/album" --dest "$work/out" --tv pal --type svcd --resolution high --full-rebuild --yes)
[ -n "$jobs" ] && args+=(--jobs "$jobs")
echo "(a) kelvara ${args[*]}"
start=$(now)
KELVARA_REGISTRY_DIR="$work/registry" "$kelvara" "${args[@]}" >/dev/null 2>"$work/kelvara.err" || {
    cat "$work/kelvara.err"; exit 1; }
a=$(since "$start")

echo "(b) ImageMagick + jpeg2yuv | mpeg2enc + mplex, one photo after the other"
start=$(now)
n=0
for photo in "$work"/album/*/*.jpg; do
    n=$((n + 1))
    stem="$work/shell/$(printf %02d $n)"
    convert "$photo" -filter Mitchell -resize 704x576 -background black -gravity center -extent 704x576 \
        -quality 90 "$stem.jpx"
    jpeg2yuv -n 1 -f 25 -I p -j "$stem.jpx" 2>/dev/null | mpeg2enc -T 200 -q 1 -a 2 -f 7 -o "$stem.m2v" 2>/dev/null
    mplex -f 7 -o "$stem.mpg" "$stem.m2v" 2>/dev/null
done
b=$(since "$start")

echo "(c) jpeg2yuv | mpeg2enc + mplex alone on the rendered stills, serially"
start=$(now)
for still in "$work"/shell/*.jpx; do
    stem=${still%.jpx}
    jpeg2yuv -n 1 -f 25 -I p -j "$still" 2>/dev/null | mpeg2enc -T 200 -q 1 -a 2 -f 7 -o "$stem.c.m2v" 2>/dev/null
    mplex -f 7 -o "$stem.c.mpg" "$stem.c.m2v" 2>/dev/null
done
c=$(since "$start")

stills=$(find "$work/out" -name '*.mpg' | wc -l)
echo
echo "cores: $cores   kelvara stills: $stills (24 photos + menus)   load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '(a) kelvara build        %8.2f s\n' "$a"
printf '(b) serial shell script  %8.2f s\n' "$b"
printf '(c) encoder chain alone  %8.2f s\n' "$c"
awk -v a="$a" -v b="$b" -v c="$c" -v n="$cores" 'BEGIN {
    printf "a/b           = %.3f  (target <= 0.25)\n", a / b
    printf "a/(c/cores)   = %.3f  (target <= 1.3)\n", a / (c / n) }'
