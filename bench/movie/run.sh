#!/bin/bash
# Movie conversion speed: a 10-second 1920x1080 H.264 clip with AAC sound
# converted for PAL SVCD
#   (a) as a build converts it (bench_movie: MovieProbe + MovieConverter)
#   (b) by plain "ffmpeg -i clip.mp4 -target pal-svcd out.mpg", the reference
# in turn, ROUNDS times (3 unless set); the medians give the real-time factor
# of (a) (clip length / conversion time; target >= 4) and a/b (target <= 1.2).
# Usage: [ROUNDS=N] run.sh BENCH_MOVIE_EXECUTABLE
set -euo pipefail

bench=$(readlink -f "$1")
rounds=${ROUNDS:-3}
length=10
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvara-bench-movie.XXXXXX")
trap 'rm -rf "$work"' EXIT

timed() {
    local out=$1 status=0; shift
    /usr/bin/time -f "%e %U %S" -o "$out.raw" "$@" || status=$?
    [ "$status" = 0 ] || return "$status"
    awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$out.raw" >>"$out"
}

median() {
    sort -n -k"$2" "$1" | awk -v k="$2" '{ v[NR] = $k } END { print v[int((NR + 1) / 2)] }'
}

echo "Generating a ${length}-second 1920x1080 H.264 clip in $work ..."
ffmpeg -v error -f lavfi -i "testsrc2=s=1920x1080:r=30:d=$length" -f lavfi -i "sine=f=440:r=48000:d=$length" \
    -c:v libx264 -preset fast -pix_fmt yuv420p -c:a aac "$work/clip.mp4"

for ((round = 1; round <= rounds; round++)); do
    rm -f "$work/a.mpg" "$work/b.mpg"
    timed "$work/a" "$bench" "$work/clip.mp4" "$work/a.mpg" svcd pal
    timed "$work/b" ffmpeg -v error -nostdin -y -i "$work/clip.mp4" -target pal-svcd "$work/b.mpg"
done

a=$(median "$work/a" 1); acpu=$(median "$work/a" 2)
b=$(median "$work/b" 1); bcpu=$(median "$work/b" 2)
echo "cores: $(nproc)   load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "medians of $rounds rounds                wall s    cpu s"
printf '(a) kelvara conversion (PAL SVCD)  %8.2f %8.2f\n' "$a" "$acpu"
printf '(b) ffmpeg -target pal-svcd        %8.2f %8.2f\n' "$b" "$bcpu"
# On a shared machine the wall clock also counts other people's work; the
# processor time spread over the cores shows what the cores alone would give.
awk -v a="$a" -v b="$b" -v acpu="$acpu" -v c="$(nproc)" -v n="$length" 'BEGIN {
    printf "real-time factor of (a) = %.2f  (target >= 4)\n", n / a
    printf "the same from cpu s     = %.2f  (clip length / (cpu s / cores))\n", n / (acpu / c)
    printf "a/b                     = %.3f  (target <= 1.2)\n", a / b }'
