#!/bin/bash
# Times a whole build against the plain serial tool chain it replaces.
#   (a) kelvara build of 24 photos of 4000 x 3000, PAL SVCD high resolution,
#       full rebuild (menus, stills, vcd.xml and the disc image included)
#   (b) a serial shell loop: ImageMagick resize per photo, then the same
#       jpeg2yuv | mpeg2enc and mplex commands
#   (c) the encoder chain alone on the same stills the build encodes (the
#       photos as (b) rendered them and the menu pages), serially
#   (d) that chain run one still per core at a time
#   (e) the build of (a) again without --full-rebuild, nothing changed, timed
#       right after one more full build; then once more after one photo was
#       edited, which must make exactly one picture still
#   (f) the same 24 photos as HEIC (converted once by ImageMagick at quality
#       85), built side by side with the JPEG album, HEIC_ROUNDS times (3
#       unless set): the HEIC build should take at most 2 times the JPEG one
# The four run in turn, ROUNDS times (5 unless set), and the ratios are taken
# from the medians: on a shared virtual machine the same build has been seen
# to take anywhere from 2.4 to 4.2 seconds from one run to the next.
# Usage: [ROUNDS=N] [HEIC_ROUNDS=N] run.sh KELVARA_EXECUTABLE [JOBS]
set -euo pipefail

kelvara=$(readlink -f "$1")
jobs=${2:-}
rounds=${ROUNDS:-5}
heic_rounds=${HEIC_ROUNDS:-3}
cores=$(nproc)
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvara-bench-build.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Wall-clock and processor seconds (user + system, children included) of a
# command, appended as "WALL CPU" to the file named first.
# A command that fails stops the benchmark with its status.
timed() {
    local out=$1 status=0; shift
    /usr/bin/time -f "%e %U %S" -o "$out.raw" "$@" || status=$?
    [ "$status" = 0 ] || return "$status"
    awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$out.raw" >>"$out"
}

# The median of the first (wall) or second (cpu) column of a timing file.
median() {
    sort -n -k"$2" "$1" | awk -v k="$2" '{ v[NR] = $k } END { print v[int((NR + 1) / 2)] }'
}

echo "Generating 24 photos of 4000 x 3000 in $work/album ..."
mkdir -p "$work/album/Harbour" "$work/album/Hills" "$work/out" "$work/registry" "$work/shell"
ffmpeg -v error -f lavfi -i "testsrc2=s=4000x3000:r=1" -frames:v 12 -q:v 3 "$work/album/Harbour/photo_%02d.jpg"
ffmpeg -v error -f lavfi -i "testsrc=s=4000x3000:r=1" -frames:v 12 -q:v 3 "$work/album/Hills/photo_%02d.jpg"

args=(build --source "$work/album" --dest "$work/out" --tv pal --type svcd --resolution high --full-rebuild --yes)
[ -n "$jobs" ] && args+=(--jobs "$jobs")

cat >"$work/serial.sh" <<'SCRIPT'
n=0
for photo in "$1"/album/*/*.jpg; do
    n=$((n + 1))
    stem="$1/shell/$(printf %02d $n)"
    convert "$photo" -filter Mitchell -resize 704x576 -background black -gravity center -extent 704x576 \
        -quality 90 "$stem.jpx"
    jpeg2yuv -n 1 -f 25 -I p -j "$stem.jpx" 2>/dev/null | mpeg2enc -T 200 -q 1 -a 2 -f 7 -o "$stem.m2v" 2>/dev/null
    mplex -f 7 -o "$stem.mpg" "$stem.m2v" 2>/dev/null
done
SCRIPT

cat >"$work/chain.sh" <<'SCRIPT'
for still in "$1"/shell/*.jpx; do
    stem=${still%.jpx}
    jpeg2yuv -n 1 -f 25 -I p -j "$still" 2>/dev/null | mpeg2enc -T 200 -q 1 -a 2 -f 7 -o "$stem.c.m2v" 2>/dev/null
    mplex -f 7 -o "$stem.c.mpg" "$stem.c.m2v" 2>/dev/null
done
SCRIPT

cat >"$work/one.sh" <<'SCRIPT'
stem=${1%.jpx}
jpeg2yuv -n 1 -f 25 -I p -j "$1" 2>/dev/null | mpeg2enc -T 200 -q 1 -a 2 -f 7 -o "$stem.d.m2v" 2>/dev/null
mplex -f 7 -o "$stem.d.mpg" "$stem.d.m2v" 2>/dev/null
SCRIPT

echo "(a) kelvara ${args[*]}"
echo "(b) ImageMagick + jpeg2yuv | mpeg2enc + mplex, one photo after the other"
echo "(c) jpeg2yuv | mpeg2enc + mplex alone on the rendered stills, serially"
echo "(d) the same chain, one still per core at a time"
# (b) goes first: (c) and (d) encode the stills it renders. (a), (c) and (d)
# then follow one another closely, so that they meet the same machine.
for round in $(seq 1 "$rounds"); do
    timed "$work/b" bash "$work/serial.sh" "$work"
    if [ "$round" = 1 ]; then
        # (c) and (d) encode the same stills the build encodes: the photos as
        # (b) rendered them, plus one menu page per entry of the main menu.
        entries=$(find "$work/album" -mindepth 1 -maxdepth 1 -type d | wc -l)
        for entry in $(seq 1 "$entries"); do
            env KELVARA_REGISTRY_DIR="$work/registry" "$kelvara" render --source "$work/album" --tv pal \
                --type svcd --resolution high --node 1 --entry "$entry" --out "$work/menu_$entry.jpg" \
                >/dev/null 2>"$work/render.err" || { cat "$work/render.err"; exit 1; }
            mv "$work/menu_$entry.jpg" "$work/shell/menu_$entry.jpx"
        done
    fi
    timed "$work/a" env KELVARA_REGISTRY_DIR="$work/registry" "$kelvara" "${args[@]}" >/dev/null 2>"$work/kelvara.err" || {
        cat "$work/kelvara.err"; exit 1; }
    timed "$work/c" bash "$work/chain.sh" "$work"
    timed "$work/d" bash -c 'ls "$1"/shell/*.jpx | xargs -d "\n" -n 1 -P "$2" bash "$1/one.sh"' _ "$work" "$cores"
    echo "round $round: a $(tail -1 "$work/a" | cut -d' ' -f1) s, b $(tail -1 "$work/b" | cut -d' ' -f1) s," \
        "c $(tail -1 "$work/c" | cut -d' ' -f1) s, d $(tail -1 "$work/d" | cut -d' ' -f1) s"
done

stills=$(find "$work/out" -name '*.mpg' | wc -l)
chained=$(find "$work/shell" -name '*.c.mpg' | wc -l)
for run in a b c d; do
    eval "$run=$(median "$work/$run" 1) ${run}cpu=$(median "$work/$run" 2)"
done
echo
echo "cores: $cores   stills encoded by (a): $stills, by (c) and (d): $chained   load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "medians of $rounds rounds       wall s    cpu s"
printf '(a) kelvara build        %8.2f %8.2f\n' "$a" "$acpu"
printf '(b) serial shell script  %8.2f %8.2f\n' "$b" "$bcpu"
printf '(c) encoder chain alone  %8.2f %8.2f\n' "$c" "$ccpu"
printf '(d) chain, %d at a time   %8.2f %8.2f\n' "$cores" "$d" "$dcpu"
awk -v a="$a" -v b="$b" -v c="$c" -v d="$d" -v n="$cores" 'BEGIN {
    printf "a/b           = %.3f  (target <= 0.25)\n", a / b
    printf "a/(c/cores)   = %.3f  (target <= 1.3)\n", a / (c / n)
    printf "d/(c/cores)   = %.3f  (the bare chain on every core: the floor for a/(c/cores))\n", d / (c / n)
    printf "a/d           = %.3f  (what rendering, start-up and vcdxbuild add to it)\n", a / d }'

# Reuse: a full build and the same build with nothing changed, side by side.
reuse=()
for arg in "${args[@]}"; do [ "$arg" = --full-rebuild ] || reuse+=("$arg"); done
timed "$work/full" env KELVARA_REGISTRY_DIR="$work/registry" "$kelvara" "${args[@]}" >/dev/null 2>"$work/kelvara.err" || {
    cat "$work/kelvara.err"; exit 1; }
timed "$work/e" env KELVARA_REGISTRY_DIR="$work/registry" "$kelvara" "${reuse[@]}" >/dev/null 2>"$work/kelvara.err" || {
    cat "$work/kelvara.err"; exit 1; }
echo "(e) nothing changed: $(tail -1 "$work/kelvara.err")"
convert "$work/album/Hills/photo_05.jpg" -flop "$work/album/Hills/photo_05.jpg"
env KELVARA_REGISTRY_DIR="$work/registry" "$kelvara" "${reuse[@]}" >/dev/null 2>"$work/kelvara.err" || {
    cat "$work/kelvara.err"; exit 1; }
edited=$(tail -1 "$work/kelvara.err")
echo "(e) one photo edited: $edited"
case "$edited" in
"1 still made, "*) ;;
*) echo "expected exactly one still made after editing one photo"; exit 1 ;;
esac
full=$(tail -1 "$work/full" | cut -d' ' -f1)
e=$(tail -1 "$work/e" | cut -d' ' -f1)
printf '(e) reuse build / full build = %.2f / %.2f = %.3f  (target <= 0.15)\n' "$e" "$full" \
    "$(awk -v e="$e" -v f="$full" 'BEGIN { print e / f }')"

# Wall-clock ratios need the cores to themselves; processor time shows the
# work each side does whatever else runs.
awk -v a="$acpu" -v b="$bcpu" -v c="$ccpu" 'BEGIN {
    printf "cpu a/b       = %.3f\n", a / b
    printf "cpu a/c       = %.3f\n", a / c }'

# (f) HEIC against JPEG: the same photos, the same settings, full rebuilds in turn.
echo "Converting the 24 photos to HEIC in $work/heic ..."
(cd "$work/album" && find . -name '*.jpg') | xargs -d '\n' -n 1 -P "$cores" bash -c '
    mkdir -p "$1/heic/$(dirname "$2")" && convert "$1/album/$2" -quality 85 "$1/heic/${2%.jpg}.heic"' _ "$work"
heic_args=()
for arg in "${args[@]}"; do
    case "$arg" in
    "$work/album") heic_args+=("$work/heic") ;;
    "$work/out") heic_args+=("$work/out-heic") ;;
    *) heic_args+=("$arg") ;;
    esac
done
mkdir -p "$work/out-heic"
for round in $(seq 1 "$heic_rounds"); do
    timed "$work/fj" env KELVARA_REGISTRY_DIR="$work/registry" "$kelvara" "${args[@]}" >/dev/null 2>"$work/kelvara.err" || {
        cat "$work/kelvara.err"; exit 1; }
    timed "$work/fh" env KELVARA_REGISTRY_DIR="$work/registry" "$kelvara" "${heic_args[@]}" >/dev/null 2>"$work/kelvara.err" || {
        cat "$work/kelvara.err"; exit 1; }
    echo "(f) round $round: JPEG $(tail -1 "$work/fj" | cut -d' ' -f1) s, HEIC $(tail -1 "$work/fh" | cut -d' ' -f1) s"
done
heic_stills=$(find "$work/out-heic" -name '*.mpg' | wc -l)
fj=$(median "$work/fj" 1) fh=$(median "$work/fh" 1)
printf '(f) HEIC build / JPEG build = %.2f / %.2f = %.3f  (target <= 2; stills from HEIC: %d)\n' "$fh" "$fj" \
    "$(awk -v h="$fh" -v j="$fj" 'BEGIN { print h / j }')" "$heic_stills"
