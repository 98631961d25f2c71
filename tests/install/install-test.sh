#!/usr/bin/env bash
# install-test.sh BUILD_DIR ALBUM: installs the build into a temporary prefix,
# makes it read-only as a package would, and runs the installed kelvara as a
# user with a fresh home would.
set -uo pipefail
build=$1
album=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install" >&2; exit 1; }
chmod -R a-w "$prefix"
kelvara=$prefix/bin/kelvara
for f in share/kelvara/PAL_VCD.mpg share/kelvara/NTSC_SVCD.mpg share/applications/kelvara.desktop \
  share/metainfo/kelvara.metainfo.xml share/icons/hicolor/scalable/apps/kelvara.svg \
  share/icons/hicolor/48x48/apps/kelvara.png share/man/man1/kelvara.1.gz \
  share/bash-completion/completions/kelvara share/zsh/vendor-completions/_kelvara; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done

# A user's session: a fresh home, the data from the prefix, no override.
run() {
  (cd "$work" && env -u KELVARA_HOME -u KELVARA_REGISTRY_DIR -u XDG_STATE_HOME -u XDG_CONFIG_HOME \
    -u XDG_RUNTIME_DIR -u KELVARA_BIN_DIR HOME="$work/home" "$@")
}
mkdir -p "$work/home"

run "$kelvara" scan --source "$album" >"$work/out" 2>"$work/err"
code=$?
[ $code -eq 0 ] || fail "scan from the read-only prefix exited $code: $(cat "$work/err")"
grep -q '^Menus: 3' "$work/out" || fail "scan printed no tree: $(head -3 "$work/out")"
# Not a word from Qt on a normal run.
[ ! -s "$work/err" ] || fail "scan said on stderr: $(cat "$work/err")"
log=$work/home/.local/state/kelvara/kelvara.log
[ -f "$log" ] || fail "no program log in the XDG state folder"
grep -q "^apppath: $prefix/bin" "$log" || fail "the log does not name the installed program"

# No image in the build folder: burn refuses before looking for a writer.
mkdir "$work/no-image"
run "$kelvara" burn --source "$album" --dest "$work/no-image" >"$work/out" 2>"$work/err"
code=$?
[ $code -eq 1 ] || fail "burn without an image exited $code: $(cat "$work/err")"
grep -q '^kelvara burn: no image in' "$work/err" || fail "burn without an image said: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "burn without an image printed: $(cat "$work/out")"

# A log folder that cannot be made is said once; the scan goes on.
touch "$work/not-a-folder"
run env XDG_STATE_HOME="$work/not-a-folder" "$kelvara" scan --source "$album" >"$work/out" 2>"$work/err"
code=$?
[ $code -eq 0 ] || fail "scan without a log folder exited $code: $(cat "$work/err")"
[ "$(grep -c 'Cannot write the log' "$work/err")" -eq 1 ] || fail "the log problem was not said once: $(cat "$work/err")"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "more than the log problem on stderr: $(cat "$work/err")"

# No display: one line that says so, the usage, exit 2; the same for an album.
for args in "" "$album"; do
  run env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$kelvara" $args >"$work/out" 2>"$work/err"
  code=$?
  [ $code -eq 2 ] || fail "no display ($args) exited $code"
  head -1 "$work/err" | grep -q 'needs a display' || fail "no display ($args) said: $(head -1 "$work/err")"
  grep -q '^  kelvara burn' "$work/err" || fail "no display ($args): no usage"
done

[ $failures -eq 0 ] && echo "installed program: all checks passed"
exit $((failures > 0))
