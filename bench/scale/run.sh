#!/bin/bash
# A build at the disc's limits: COUNT pictures (1900 unless set) of 800 x 600
# spread over 40 folders, PAL SVCD high resolution, full rebuild, against the
# 24 photos of 4000 x 3000 that bench/build times, built just before on the
# same machine (REF_ROUNDS times, 3 unless set; the median counts).
#   time per still: wall seconds of the build over the stills it encoded
#                   (target: the big album within 1.2 times the small one)
#   peak memory:    the kelvara process's own peak resident set (VmHWM,
#                   sampled while it runs) and the largest of it and the
#                   tools it ran (/usr/bin/time -v); target under 400 MB
# The generated albums are kept in SCRATCH (default
# ${TMPDIR:-/tmp}/kelvara-bench-scale) and reused by the next run.
# Usage: [COUNT=N] [REF_ROUNDS=N] [SCRATCH=DIR] run.sh KELVARA_EXECUTABLE [JOBS]
set -euo pipefail

kelvara=$(readlink -f "$1")
jobs=${2:-}
count=${COUNT:-1900}
folders=40
ref_rounds=${REF_ROUNDS:-3}
scratch=${SCRATCH:-${TMPDIR:-/tmp}/kelvara-bench-scale}
cores=$(nproc)
album=$scratch/album-$count
reference=$scratch/album-24
mkdir -p "$scratch"
work=$(mktemp -d "$scratch/run.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/registry"

# The big album: a gradient in a colour of its own, a disc and a number per
# picture, so that no two stills encode alike. One ImageMagick process per
# folder (starting one per picture takes longer than drawing it). Made once
# per COUNT.
if [ ! -f "$album/.complete" ]; then
    echo "Generating $count pictures of 800 x 600 in $folders folders in $album ..."
    rm -rf "$album"
    seq 1 "$folders" | xargs -n 1 -P "$cores" bash -c '
        f=$4 first=$(( ($4 - 1) * $2 / $3 + 1 )) last=$(( $4 * $2 / $3 ))
        dir="$1/$(printf "Folder %02d" "$f")"
        mkdir -p "$dir"
        pictures=()
        for n in $(seq "$first" "$last"); do
            hue=$(( n * 37 % 360 )) x=$(( n * 53 % 700 + 50 )) y=$(( n * 29 % 500 + 50 ))
            pictures+=("(" -size 800x600 "gradient:hsl($hue,80%,60%)-hsl($(( (hue + 140) % 360 )),70%,25%)"
                -fill "hsl($(( (hue + 200) % 360 )),90%,50%)" -draw "circle $x,$y $((x + 40)),$((y + 25))"
                -fill white -font DejaVu-Sans -pointsize 72 -annotate +60+540 "$n" ")")
        done
        convert "${pictures[@]}" -quality 88 -scene "$first" "$dir/picture_%04d.jpg"' _ "$album" "$count" "$folders"
    touch "$album/.complete"
fi
if [ ! -f "$reference/.complete" ]; then
    echo "Generating the 24 photos of 4000 x 3000 of bench/build in $reference ..."
    rm -rf "$reference"
    mkdir -p "$reference/Harbour" "$reference/Hills"
    ffmpeg -v error -f lavfi -i "testsrc2=s=4000x3000:r=1" -frames:v 12 -q:v 3 "$reference/Harbour/photo_%02d.jpg"
    ffmpeg -v error -f lavfi -i "testsrc=s=4000x3000:r=1" -frames:v 12 -q:v 3 "$reference/Hills/photo_%02d.jpg"
    touch "$reference/.complete"
fi

# Builds the album into a fresh folder; appends "WALL STILLS HWM_KB MAXRSS_KB"
# to the file named first.
build() {
    local out=$1 source=$2 dest=$work/out-$(basename "$2")
    rm -rf "$dest"
    mkdir -p "$dest"
    local args=(build --source "$source" --dest "$dest" --tv pal --type svcd --resolution high --full-rebuild --yes)
    [ -n "$jobs" ] && args+=(--jobs "$jobs")
    env KELVARA_REGISTRY_DIR="$work/registry" /usr/bin/time -v -o "$work/time.txt" "$kelvara" "${args[@]}" \
        >/dev/null 2>"$work/kelvara.err" &
    local timer=$! hwm=0 pid="" status=0
    while kill -0 "$timer" 2>/dev/null; do
        [ -n "$pid" ] || pid=$(pgrep -P "$timer" || true)
        if [ -n "$pid" ]; then
            local now
            now=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
            [ -n "$now" ] && [ "$now" -gt "$hwm" ] && hwm=$now
        fi
        sleep 0.2
    done
    wait "$timer" || status=$?
    [ "$status" = 0 ] || { cat "$work/kelvara.err"; exit "$status"; }
    local wall maxrss stills
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
        for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$work/time.txt")
    maxrss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    stills=$(find "$dest" -name '*.mpg' | wc -l)
    echo "$wall $stills $hwm $maxrss" >>"$out"
}

echo "(r) the 24 photos of bench/build, $ref_rounds full builds"
for round in $(seq 1 "$ref_rounds"); do
    build "$work/r" "$reference"
    echo "round $round: $(tail -1 "$work/r" | awk '{ printf "%.2f s, %d stills", $1, $2 }')"
done
echo "(s) $count pictures of 800 x 600 in $folders folders, one full build"
build "$work/s" "$album"
tail -2 "$work/kelvara.err"

r=$(sort -n -k1 "$work/r" | awk '{ v[NR] = $0 } END { print v[int((NR + 1) / 2)] }')
s=$(cat "$work/s")
echo
echo "cores: $cores   load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v r="$r" -v s="$s" 'BEGIN {
    split(r, a, " "); split(s, b, " ")
    printf "                      wall s   stills   s/still   kelvara peak MB   largest process MB\n"
    printf "(r) 24 photos       %8.2f %8d %9.3f %17.0f %20.0f\n", a[1], a[2], a[1] / a[2], a[3] / 1024, a[4] / 1024
    printf "(s) scale album     %8.2f %8d %9.3f %17.0f %20.0f\n", b[1], b[2], b[1] / b[2], b[3] / 1024, b[4] / 1024
    printf "time per still s/r  = %.3f  (target <= 1.2)\n", (b[1] / b[2]) / (a[1] / a[2])
    printf "kelvara peak memory = %.0f MB  (target < 400)\n", b[3] / 1024 }'
