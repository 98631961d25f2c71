#!/usr/bin/env bash
# Writes the four short sequence files that every vcd.xml names, made with the
# project's own encoder tools:
#   make-sequence-files.sh OUTDIR
# Each is two seconds of black picture with silent MPEG audio: vcdxbuild wants
# an audio stream on a VCD 2.0 sequence and at least 75 sectors per stream,
# and the SVCD ones carry scan information (mpeg2enc format 4).
set -euo pipefail

out=${1:?usage: make-sequence-files.sh OUTDIR}

need() {
    command -v "$1" || { echo "make-sequence-files.sh: $1 not found (mjpegtools)" >&2; exit 1; }
}
ppmtoy4m=$(need ppmtoy4m)
mpeg2enc=$(need mpeg2enc)
mp2enc=$(need mp2enc)
mplex=$(need mplex)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

le32() { printf '%b' "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)))"; }
le16() { printf '%b' "$(printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)))"; }

# Silence at 44.1 kHz, 16-bit stereo: the audio both disc types take.
seconds=2
rate=44100
data=$((rate * 4 * seconds))
{
    printf 'RIFF'; le32 $((36 + data)); printf 'WAVEfmt '
    le32 16; le16 1; le16 2; le32 $rate; le32 $((rate * 4)); le16 4; le16 16
    printf 'data'; le32 $data
    head -c $data /dev/zero
} > "$work/silence.wav"
"$mp2enc" -v 0 -b 224 -r 44100 -o "$work/silence.mp2" < "$work/silence.wav"

# name width height frame-rate frames format pixel-aspect stream-suffix
while read -r name width height fps frames format aspect suffix; do
    {
        printf 'P6\n%d %d\n255\n' "$width" "$height"
        head -c $((width * height * 3)) /dev/zero
    } > "$work/black.ppm"
    "$ppmtoy4m" -v 0 -n "$frames" -r -F "$fps" -A "$aspect" -I p -S 420mpeg2 "$work/black.ppm" \
        | "$mpeg2enc" -v 0 -f "$format" -a 2 -o "$work/$name.$suffix" 2>"$work/mpeg2enc.log" \
        || { cat "$work/mpeg2enc.log" >&2; exit 1; }
    # Constant-rate multiplexing pads the SVCD streams past 75 sectors.
    "$mplex" -v 0 -f "$format" -C -o "$work/$name.mpg" "$work/$name.$suffix" "$work/silence.mp2"
    test -s "$work/$name.mpg"
done <<'LIST'
PAL_VCD 352 288 25:1 50 1 59:54 m1v
NTSC_VCD 352 240 30000:1001 60 1 10:11 m1v
PAL_SVCD 480 576 25:1 50 4 59:36 m2v
NTSC_SVCD 480 480 30000:1001 60 4 15:11 m2v
LIST

# All four appear together or not at all.
for name in PAL_VCD NTSC_VCD PAL_SVCD NTSC_SVCD; do
    mv -f "$work/$name.mpg" "$out/$name.mpg"
done
