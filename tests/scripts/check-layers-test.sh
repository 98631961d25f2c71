#!/usr/bin/env bash
# The layer check passes a tree whose includes point down and fails one with
# an include that points up, or across one layer, or from an unknown folder.
set -euo pipefail
check="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

make_tree() {
  rm -rf "$tmp/src" "$tmp/tools"
  mkdir -p "$tmp/src/base" "$tmp/src/imaging" "$tmp/src/burn" "$tmp/src/preview" "$tmp/src/gui" "$tmp/tools/shot"
  printf '#pragma once\n' > "$tmp/src/base/Error.h"
  printf '#include "imaging/Canvas.h"\n#include "base/Error.h"\n#include <QString>\n' > "$tmp/src/imaging/Canvas.cpp"
  printf '#include "base/Error.h"\n' > "$tmp/src/burn/Job.cpp"
  printf '#include "burn/Job.h"\n#include "imaging/Canvas.h"\n' > "$tmp/src/gui/Window.cpp"
  printf '#include "gui/Window.h"\n' > "$tmp/tools/shot/main.cpp"
  printf '#include "gui/Window.h"\n#include "burn/Job.h"\n' > "$tmp/src/main.cpp"
}

expect() {
  local want="$1" what="$2"
  if bash "$check" "$tmp" > "$tmp/out" 2>&1; then got=pass; else got=fail; fi
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: expected $want, got $got" >&2
    cat "$tmp/out" >&2
    exit 1
  fi
  echo "ok: $what"
}

make_tree
expect pass "includes that point down"

make_tree
printf '#include "gui/Window.h"\n' >> "$tmp/src/base/Error.h"
expect fail "base including gui"
grep -q 'src/base/Error.h:2' "$tmp/out" || { echo "FAIL: the fault names no file and line" >&2; exit 1; }

make_tree
printf '  #  include "preview/Pane.h"\n' >> "$tmp/src/burn/Job.cpp"
expect fail "burn including preview (same layer)"

make_tree
mkdir -p "$tmp/src/extras"
printf '#include "base/Error.h"\n' > "$tmp/src/extras/Thing.cpp"
expect fail "a folder on no layer"
